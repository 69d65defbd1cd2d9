// The info file.  After one clean-up the record is usable (terminated texts,
// sizes in range) and a second clean-up, also after a round trip through the
// file image, changes nothing.
#include <cstring>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SettingsRecord r;
    Settings_defaults(&r);
    Settings_decode(data, size < SETTINGS_RECORD_SIZE ? size : SETTINGS_RECORD_SIZE, &r);
    Settings_sanitize(&r);
    FUZZ_CHECK(std::memchr(r.work_dir, 0, sizeof r.work_dir) != nullptr);
    FUZZ_CHECK(std::memchr(r.title_text, 0, sizeof r.title_text) != nullptr);
    FUZZ_CHECK(std::memchr(r.scale_unit_text, 0, sizeof r.scale_unit_text) != nullptr);
    FUZZ_CHECK(r.window_width >= 100 && r.window_width <= 16384);
    FUZZ_CHECK(r.window_height >= 100 && r.window_height <= 16384);

    uint8_t image[SETTINGS_RECORD_SIZE];
    Settings_encode(&r, image);
    SettingsRecord again;
    Settings_defaults(&again);
    Settings_decode(image, sizeof image, &again);
    FUZZ_CHECK(Settings_sanitize(&again) == 0);
    uint8_t image2[SETTINGS_RECORD_SIZE];
    Settings_encode(&again, image2);
    FUZZ_CHECK(std::memcmp(image, image2, sizeof image) == 0);
    return 0;
}
