// VTK XML PolyData and multiblock files.  The layout of a .vtp file:
//
//   <VTKFile type="PolyData" byte_order="LittleEndian" header_type="UInt64">
//     <PolyData><Piece NumberOfPoints=.. NumberOfLines=..>
//       <PointData> <CellData> <Points> <Lines>: each DataArray names its
//       place in the appended block by `offset`
//     </Piece></PolyData>
//     <AppendedData encoding="raw|base64">_ARRAY ARRAY ...</AppendedData>
//   </VTKFile>
//
// Each ARRAY is its size in bytes (UInt64, little-endian) followed by its
// values, little-endian; in base64 the size and the values are encoded each
// on its own, as VTK's writer does.  `offset` counts from the byte after "_".

#include "tools/vokatool/vtk_file.h"

#include <cstring>

#include "picture/le_bytes.h"

void Polylines::Begin(double x, double y, double z)
{
    ends.push_back(static_cast<int64_t>(Point_count()));
    Add(x, y, z);
}

void Polylines::Add(double x, double y, double z)
{
    points.push_back(static_cast<float>(x));
    points.push_back(static_cast<float>(y));
    points.push_back(static_cast<float>(z));
    if (!ends.empty())
        ends.back() = static_cast<int64_t>(Point_count());
}

namespace {

const char *const TYPE_NAMES[] = {"UInt8", "Int32", "Int64", "Float32", "Float64"};
const int TYPE_SIZES[] = {1, 4, 8, 4, 8};

// Values are encoded in blocks of this many bytes: a multiple of 3 (base64
// then needs no padding but at the end) and of every value's size.
const size_t BLOCK_BYTES = 3 * 8 * 43690; // about 1 MB

void Put8(uint8_t *p, uint64_t v)
{
    Put4(p, static_cast<uint32_t>(v));
    Put4(p + 4, static_cast<uint32_t>(v >> 32));
}

// Values first .. first + n - 1 of `a`, little-endian, into `out`.
void Values_encode(const VtkArray &a, uint64_t first, size_t n, uint8_t *out)
{
    switch (a.type) {
    case VTK_UINT8: std::memcpy(out, static_cast<const uint8_t *>(a.values) + first, n); break;
    case VTK_INT32: {
        const int32_t *v = a.values ? static_cast<const int32_t *>(a.values) + first : nullptr;
        for (size_t i = 0; i < n; i++)
            Put4(out + i * 4, v ? static_cast<uint32_t>(v[i]) : static_cast<uint32_t>(first + i));
        break;
    }
    case VTK_INT64: {
        const int64_t *v = a.values ? static_cast<const int64_t *>(a.values) + first : nullptr;
        for (size_t i = 0; i < n; i++)
            Put8(out + i * 8, v ? static_cast<uint64_t>(v[i]) : first + i);
        break;
    }
    case VTK_FLOAT32: {
        const float *v = static_cast<const float *>(a.values) + first;
        for (size_t i = 0; i < n; i++) {
            uint32_t bits;
            std::memcpy(&bits, v + i, 4);
            Put4(out + i * 4, bits);
        }
        break;
    }
    default: {
        const double *v = static_cast<const double *>(a.values) + first;
        for (size_t i = 0; i < n; i++)
            Put_double(out + i * 8, v[i]);
        break;
    }
    }
}

const char BASE64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// `n` bytes as base64 into `out` (4 characters for every 3 bytes, the last
// group padded with '='); returns the characters written.
size_t Base64_encode(const uint8_t *in, size_t n, char *out)
{
    size_t o = 0;
    for (size_t i = 0; i < n; i += 3) {
        uint32_t v = static_cast<uint32_t>(in[i]) << 16;
        if (i + 1 < n)
            v |= static_cast<uint32_t>(in[i + 1]) << 8;
        if (i + 2 < n)
            v |= in[i + 2];
        out[o++] = BASE64[(v >> 18) & 63];
        out[o++] = BASE64[(v >> 12) & 63];
        out[o++] = i + 1 < n ? BASE64[(v >> 6) & 63] : '=';
        out[o++] = i + 2 < n ? BASE64[v & 63] : '=';
    }
    return o;
}

uint64_t Base64_size(uint64_t bytes)
{
    return (bytes + 2) / 3 * 4;
}

uint64_t Data_bytes(const VtkArray &a)
{
    return a.count * static_cast<uint64_t>(TYPE_SIZES[a.type]);
}

// The bytes an array takes in the appended block.
uint64_t Block_size(const VtkArray &a, bool base64)
{
    uint64_t data = Data_bytes(a);
    return base64 ? Base64_size(8) + Base64_size(data) : 8 + data;
}

// Write `n` bytes, base64-encoded when asked; false when the write failed.
bool Bytes_write(FILE *file, const uint8_t *bytes, size_t n, bool base64, char *text)
{
    if (!base64)
        return std::fwrite(bytes, 1, n, file) == n;
    size_t chars = Base64_encode(bytes, n, text);
    return std::fwrite(text, 1, chars, file) == chars;
}

// One array of the appended block.
bool Array_write(FILE *file, const VtkArray &a, bool base64, uint8_t *block, char *text)
{
    uint8_t size[8];
    Put8(size, Data_bytes(a));
    if (!Bytes_write(file, size, 8, base64, text))
        return false;
    const size_t per_block = BLOCK_BYTES / static_cast<size_t>(TYPE_SIZES[a.type]);
    for (uint64_t first = 0; first < a.count; first += per_block) {
        size_t n = a.count - first < per_block ? static_cast<size_t>(a.count - first) : per_block;
        Values_encode(a, first, n, block);
        if (!Bytes_write(file, block, n * static_cast<size_t>(TYPE_SIZES[a.type]), base64, text))
            return false;
    }
    return true;
}

void Array_describe(FILE *file, const VtkArray &a, uint64_t offset)
{
    std::fprintf(file, "        <DataArray type=\"%s\"", TYPE_NAMES[a.type]);
    if (a.name)
        std::fprintf(file, " Name=\"%s\"", a.name);
    if (a.components > 1)
        std::fprintf(file, " NumberOfComponents=\"%d\"", a.components);
    std::fprintf(file, " format=\"appended\" offset=\"%llu\"/>\n",
                 static_cast<unsigned long long>(offset));
}

// A group of arrays (PointData, CellData, Points, Lines), advancing *offset.
void Group_describe(FILE *file, const char *group, const std::vector<VtkArray> &arrays, bool base64,
                    uint64_t *offset)
{
    if (arrays.empty())
        return;
    if (arrays[0].name &&
        (std::strcmp(group, "PointData") == 0 || std::strcmp(group, "CellData") == 0))
        std::fprintf(file, "      <%s Scalars=\"%s\">\n", group, arrays[0].name);
    else
        std::fprintf(file, "      <%s>\n", group);
    for (const VtkArray &a : arrays) {
        Array_describe(file, a, *offset);
        *offset += Block_size(a, base64);
    }
    std::fprintf(file, "      </%s>\n", group);
}

} // namespace

int Vtp_write(FILE *file, const Polylines &lines, bool base64, const char *comment)
{
    const uint64_t points = lines.Point_count();
    const std::vector<VtkArray> where = {
        {nullptr, VTK_FLOAT32, 3, lines.points.data(), points * 3}};
    // The connectivity (every point in order) in 32 bits while they count.
    const int index_type = points < (uint64_t{1} << 31) ? VTK_INT32 : VTK_INT64;
    const std::vector<VtkArray> cells = {
        {"connectivity", index_type, 1, nullptr, points},
        {"offsets", VTK_INT64, 1, lines.ends.data(), static_cast<uint64_t>(lines.ends.size())}};
    std::fprintf(file, "<?xml version=\"1.0\"?>\n<!-- %s -->\n", comment);
    std::fputs("<VTKFile type=\"PolyData\" version=\"1.0\" byte_order=\"LittleEndian\" "
               "header_type=\"UInt64\">\n  <PolyData>\n",
               file);
    std::fprintf(file,
                 "    <Piece NumberOfPoints=\"%llu\" NumberOfVerts=\"0\" NumberOfLines=\"%llu\" "
                 "NumberOfStrips=\"0\" NumberOfPolys=\"0\">\n",
                 static_cast<unsigned long long>(points),
                 static_cast<unsigned long long>(lines.ends.size()));
    uint64_t offset = 0;
    Group_describe(file, "PointData", lines.point_data, base64, &offset);
    Group_describe(file, "CellData", lines.cell_data, base64, &offset);
    Group_describe(file, "Points", where, base64, &offset);
    Group_describe(file, "Lines", cells, base64, &offset);
    std::fprintf(file, "    </Piece>\n  </PolyData>\n  <AppendedData encoding=\"%s\">\n   _",
                 base64 ? "base64" : "raw");
    std::vector<uint8_t> block(BLOCK_BYTES);
    std::vector<char> text(static_cast<size_t>(Base64_size(BLOCK_BYTES)));
    bool ok = true;
    for (const std::vector<VtkArray> *group : {&lines.point_data, &lines.cell_data, &where, &cells})
        for (const VtkArray &a : *group)
            ok = ok && Array_write(file, a, base64, block.data(), text.data());
    std::fputs("\n  </AppendedData>\n</VTKFile>\n", file);
    return ok && !std::ferror(file) ? 0 : -1;
}

namespace {

// `text` as an XML attribute value (between double quotes).
void Attribute_write(FILE *file, const char *text)
{
    for (const char *p = text; *p; p++) {
        switch (*p) {
        case '&': std::fputs("&amp;", file); break;
        case '<': std::fputs("&lt;", file); break;
        case '"': std::fputs("&quot;", file); break;
        default: std::fputc(*p, file); break;
        }
    }
}

} // namespace

int Vtm_write(FILE *file, const char *const *names, const char *const *files, int count)
{
    std::fputs("<?xml version=\"1.0\"?>\n<VTKFile type=\"vtkMultiBlockDataSet\" version=\"1.0\" "
               "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n  <vtkMultiBlockDataSet>\n",
               file);
    for (int i = 0; i < count; i++) {
        std::fprintf(file, "    <DataSet index=\"%d\" name=\"%s\" file=\"", i, names[i]);
        Attribute_write(file, files[i]);
        std::fputs("\"/>\n", file);
    }
    std::fputs("  </vtkMultiBlockDataSet>\n</VTKFile>\n", file);
    return std::ferror(file) ? -1 : 0;
}
