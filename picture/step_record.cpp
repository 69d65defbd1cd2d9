#include "picture/step_record.h"

#include <cstring>

#include "picture/le_bytes.h"
#include "picture/numparse.h"

void Step_encode(const StepRecord *r, uint8_t image[STEP_RECORD_SIZE])
{
    Put4(image + 0, static_cast<uint32_t>(r->batch));
    Put4(image + 4, static_cast<uint32_t>(r->kind));
    Put_double(image + 8, r->x);
    Put_double(image + 16, r->y);
    Put_double(image + 24, r->z);
    uint32_t energy_bits;
    std::memcpy(&energy_bits, &r->energy, 4);
    Put4(image + 32, energy_bits);
    Put4(image + 36, 0);
}

void Step_encode_batch(uint8_t image[STEP_RECORD_SIZE], int32_t batch)
{
    Put4(image + 0, static_cast<uint32_t>(batch));
}

void Step_decode(const uint8_t image[STEP_RECORD_SIZE], StepRecord *r)
{
    r->batch = static_cast<int32_t>(Get4(image + 0));
    r->kind = static_cast<int32_t>(Get4(image + 4));
    r->x = Get_double(image + 8);
    r->y = Get_double(image + 16);
    r->z = Get_double(image + 24);
    uint32_t energy_bits = Get4(image + 32);
    std::memcpy(&r->energy, &energy_bits, 4);
}

double Float_coordinate(int32_t code)
{
    uint32_t bits = static_cast<uint32_t>(code);
    int32_t power = static_cast<int32_t>((bits >> FLOAT_DIGITS_BITS) & 63u) - FLOAT_SCALE_BIAS;
    return Real_compose(bits & ((1u << FLOAT_DIGITS_BITS) - 1), power, (bits >> 30) != 0);
}
