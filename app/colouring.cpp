// Colour by particle or by energy: the menu item "Colour by particle /
// energy" (checked: by energy) and the Energy limits dialog; and whether the
// scale bar's unit is automatic (Environment).  The choices and the limits
// are kept in "vokagraphic.ini" beside the info file,
// through the platform's profile functions, so that the 192-byte info
// record stays as it is.
#include "app/app.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dialogs/dialogs.h"
#include "picture/display.h"
#include "render/annotations.h"
#include "render/energy_colour.h"
#include "resources/resource_ids.h"

namespace {

const char INI_NAME[] = "vokagraphic.ini";
const char SECTION[] = "Colour";
char ini_path[FULL_PATH_SIZE];

// A float as the file keeps it, or "" for none.
void Number_text(float value, bool set, char *text, size_t size)
{
    if (set)
        std::snprintf(text, size, "%.9g", static_cast<double>(value));
    else
        text[0] = '\0';
}

void Colouring_save()
{
    char low[32], high[32];
    bool set = energy_colouring.limits_set == 1;
    Number_text(energy_colouring.low, set, low, sizeof low);
    Number_text(energy_colouring.high, set, high, sizeof high);
    WritePrivateProfileStringA(SECTION, "by",
                               energy_colouring.by_energy == 1 ? "energy" : "particle", ini_path);
    WritePrivateProfileStringA(SECTION, "low", low, ini_path);
    WritePrivateProfileStringA(SECTION, "high", high, ini_path);
}

void Menu_check(HWND window)
{
    CheckMenuItem(GetMenu(window), static_cast<UINT>(IDM_COLOUR_BY_ENERGY),
                  static_cast<UINT>(MF_BYCOMMAND |
                                    (energy_colouring.by_energy == 1 ? MF_CHECKED : MF_UNCHECKED)));
}

// The picture and the legend drawn anew in the colours chosen.
void Colours_changed()
{
    Colouring_save();
    if (app.picture_selected != 1)
        return;
    Rebuild_request();
    InvalidateRect(app.legend_panel, nullptr, TRUE);
    Picture_invalidate();
}

// Reads an edit as a number; an empty edit is `empty`.
double Edit_number(HWND dialog, int id, bool *empty)
{
    char text[32];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    *empty = text[0] == '\0';
    char *end = nullptr;
    double value = std::strtod(text, &end);
    return end != text && *end == '\0' ? value : -1.0;
}

INT_PTR CALLBACK Energy_limits_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        char text[32];
        Number_text(energy_colouring.low, energy_colouring.limits_set == 1, text, sizeof text);
        SetDlgItemTextA(dialog, IDC_ENERGY_LOW, text);
        Number_text(energy_colouring.high, energy_colouring.limits_set == 1, text, sizeof text);
        SetDlgItemTextA(dialog, IDC_ENERGY_HIGH, text);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    if (LOWORD(wparam) != IDOK)
        return FALSE;
    bool low_empty, high_empty;
    double low = Edit_number(dialog, IDC_ENERGY_LOW, &low_empty);
    double high = Edit_number(dialog, IDC_ENERGY_HIGH, &high_empty);
    EnergyColouring chosen = energy_colouring;
    if (low_empty && high_empty) {
        chosen.limits_set = 0;
    } else if (Energy_limits_good(low, high)) {
        chosen.limits_set = 1;
        chosen.low = static_cast<float>(low);
        chosen.high = static_cast<float>(high);
    } else {
        char text[sizeof ENERGY_LIMITS_RULE + 40];
        std::snprintf(text, sizeof text, "Input energy limits error.\n\n%s", ENERGY_LIMITS_RULE);
        MessageBoxA(dialog, text, "Error Status", MB_OK | MB_ICONQUESTION);
        return TRUE;
    }
    energy_colouring = chosen;
    EndDialog(dialog, 1);
    return TRUE;
}

} // namespace

void Scale_auto_save()
{
    WritePrivateProfileStringA("Scale", "auto", display.scale_auto == 1 ? "1" : "0", ini_path);
}

void Colouring_load(HWND window)
{
    // Beside the info file: in the folder the program starts in.
    GetFullPathNameA(INI_NAME, sizeof ini_path, ini_path, nullptr);
    // The automatic scale unit: on for a first start (no info file), off
    // for a user whose info file holds a scale unit of the earlier
    // versions, until chosen in Environment.
    int kept = static_cast<int>(GetPrivateProfileIntA("Scale", "auto", -1, ini_path));
    display.scale_auto = kept == -1 ? (settings_file_found == 1 ? 0 : 1) : (kept == 1 ? 1 : 0);
    if (kept == -1 && display.scale_auto == 1)
        Scale_auto_save();
    char by[16], low[32], high[32];
    GetPrivateProfileStringA(SECTION, "by", "particle", by, sizeof by, ini_path);
    GetPrivateProfileStringA(SECTION, "low", "", low, sizeof low, ini_path);
    GetPrivateProfileStringA(SECTION, "high", "", high, sizeof high, ini_path);
    energy_colouring.by_energy = std::strcmp(by, "energy") == 0 ? 1 : 0;
    double l = std::atof(low), h = std::atof(high);
    energy_colouring.limits_set = low[0] != '\0' && Energy_limits_good(l, h) ? 1 : 0;
    energy_colouring.low = energy_colouring.limits_set == 1 ? static_cast<float>(l) : 0.0f;
    energy_colouring.high = energy_colouring.limits_set == 1 ? static_cast<float>(h) : 0.0f;
    Menu_check(window);
}

void On_colour_by(HWND window)
{
    energy_colouring.by_energy = energy_colouring.by_energy == 1 ? 0 : 1;
    Menu_check(window);
    Colours_changed();
}

void On_energy_limits(HWND window)
{
    EnergyColouring before = energy_colouring;
    bool changed = DialogBoxParamA(dialog_host.app_instance, "ENERGYLIMITS", window,
                                   Energy_limits_proc, 0) == 1 &&
                   (before.limits_set != energy_colouring.limits_set ||
                    before.low != energy_colouring.low || before.high != energy_colouring.high);
    if (changed)
        Colours_changed();
    else
        Picture_restore();
}
