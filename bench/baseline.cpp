// bench_baseline: the plain buffered I/O that the benchmarks measure the
// viewer's tools against.
//
//   bench_baseline copy PICTURE OUT RECORDS
//       reads PICTURE line by line and writes RECORDS records of 40 bytes to
//       OUT, both through the C library's buffered streams: the same shape of
//       work as a conversion, without parsing.
//   bench_baseline read FILE
//       reads FILE in 40-byte records through a buffered stream.
//
// Prints a checksum so that nothing is optimised away; exit status 0 or 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    char line[128];
    unsigned long long sum = 0;
    unsigned long long lines = 0;
    while (std::fgets(line, sizeof line, in)) {
        sum += static_cast<unsigned char>(line[0]);
        lines++;
    }
    unsigned char record[40];
    std::memset(record, 0, sizeof record);
    int failed = 0;
    for (unsigned long long i = 0; i < records && !failed; i++) {
        record[0] = static_cast<unsigned char>(i);
        failed = std::fwrite(record, sizeof record, 1, out) != 1;
    }
    failed |= std::ferror(in) != 0;
    std::fclose(in);
    failed |= std::fclose(out) != 0;
    std::printf("lines %llu checksum %llu\n", lines, sum);
    return failed ? 1 : 0;
}

static int Read(const char *path)
{
    FILE *in = std::fopen(path, "rb");
    if (!in) {
        std::fprintf(stderr, "bench_baseline: cannot open %s\n", path);
        return 1;
    }
    unsigned char record[40];
    unsigned long long sum = 0;
    unsigned long long records = 0;
    while (std::fread(record, sizeof record, 1, in) == 1) {
        sum += record[8];
        records++;
    }
    const int failed = std::ferror(in) != 0;
    std::fclose(in);
    std::printf("records %llu checksum %llu\n", records, sum);
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
