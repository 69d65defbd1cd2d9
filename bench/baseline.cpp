// bench_baseline: the plain buffered I/O that the benchmarks measure the
// viewer's tools against.
//
//   bench_baseline copy PICTURE OUT RECORDS
//       reads PICTURE and writes RECORDS records' worth (40 bytes each) of
//       bytes to OUT, both in 64 kB blocks through the C library's buffered
//       streams: the input and output of a conversion without its work.
//   bench_baseline read FILE
//       reads FILE in 64 kB blocks through a buffered stream.
//
// Prints a checksum so that nothing is optimised away; exit status 0 or 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>

static unsigned char block[1 << 16];

// Read a stream to its end in blocks; returns the bytes read and adds a
// byte of every block to *sum, so the reads cannot be optimised away.
static unsigned long long Read_all(FILE *in, unsigned long long *sum)
{
    unsigned long long bytes = 0;
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
        *sum += block[n - 1];
        bytes += n;
    }
    return bytes;
}

static int Copy(const char *picture, const char *out_path, unsigned long long records)
{
    FILE *in = std::fopen(picture, "r");
    if (!in) {
        std::fprintf(stderr, "bench_baseline: cannot open %s\n", picture);
        return 1;
    }
    FILE *out = std::fopen(out_path, "wb");
    if (!out) {
        std::fclose(in);
        std::fprintf(stderr, "bench_baseline: cannot create %s\n", out_path);
        return 1;
    }
    unsigned long long sum = 0;
    unsigned long long bytes = Read_all(in, &sum);
    std::memset(block, 0, sizeof block);
    int failed = 0;
    for (unsigned long long left = records * 40; left > 0 && !failed;) {
        const size_t chunk = left < sizeof block ? static_cast<size_t>(left) : sizeof block;
        failed = std::fwrite(block, 1, chunk, out) != chunk;
        left -= chunk;
    }
    failed |= std::ferror(in) != 0;
    std::fclose(in);
    failed |= std::fclose(out) != 0;
    std::printf("bytes %llu checksum %llu\n", bytes, sum);
    return failed ? 1 : 0;
}

static int Read(const char *path)
{
    FILE *in = std::fopen(path, "rb");
    if (!in) {
        std::fprintf(stderr, "bench_baseline: cannot open %s\n", path);
        return 1;
    }
    unsigned long long sum = 0;
    unsigned long long bytes = Read_all(in, &sum);
    const int failed = std::ferror(in) != 0;
    std::fclose(in);
    std::printf("bytes %llu checksum %llu\n", bytes, sum);
    return failed ? 1 : 0;
}

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "copy") == 0)
        return Copy(argv[2], argv[3], std::strtoull(argv[4], nullptr, 10));
    if (argc == 3 && std::strcmp(argv[1], "read") == 0)
        return Read(argv[2]);
    std::fputs("usage: bench_baseline copy PICTURE OUT RECORDS | read FILE\n", stderr);
    return 2;
}
