// The Environment dialog: colours and pens of the three particle kinds, the
// scale unit, the rotation step, the cut-off energies, the work directory
// and the background, geometry and character colours.  Everything but the
// rotation step and the work directory is edited on env_working, which the
// colour and line pickers write into; OK checks the numbers and commits the
// working copy in one step.
#include "dialogs/dialogs.h"
#include "dialogs/dialogs_private.h"

#include <cstdio>
#include <cstring>

#include "dialogs/dialog_host.h"
#include "picture/display.h"
#include "picture/numparse.h"
#include "render/annotations.h"
#include "resources/resource_ids.h"

EnvironmentEdit env_edit;

namespace {

// Colour count of the display, found when the dialog opens: the palette
// size, or where there is no palette the device's colour count (-1 on a
// true-colour display).
int32_t display_colors;

// The angle bar: the position last applied to it (0..90, what OK stores),
// and the value last read from the angle edit (not clamped) or computed
// from a scroll action.
int32_t angle_scroll_prev;
int32_t angle_scroll_pos;

const int32_t ANGLE_MAX = 90;
const double SCALE_UNIT_MAX = 999.99; // the single-precision value is compared with it
const float CUTOFF_MAX = 1e8f;
const int SAMPLE_WIDTH_MAX = 4; // widest pen the line picker offers
const int SAMPLE_INSET = 5;     // dialog units from the sides of a line sample

// Colour buttons and the colour each sets.
struct ColourButton {
    int id;
    int32_t target;
};
const ColourButton COLOUR_BUTTONS[] = {{IDC_ENV_COLOR_ELECTRON, COLOR_TARGET_ELECTRON},
                                       {IDC_ENV_COLOR_POSITRON, COLOR_TARGET_POSITRON},
                                       {IDC_ENV_COLOR_PHOTON, COLOR_TARGET_PHOTON},
                                       {IDC_ENV_BACKGROUND, COLOR_TARGET_BACKGROUND},
                                       {IDC_ENV_GEOMETRY, COLOR_TARGET_GEOMETRY},
                                       {IDC_ENV_CHARACTER, COLOR_TARGET_CHARACTER}};

// Line buttons of the electron, positron and photon rows.
const int LINE_BUTTONS[PARTICLE_KINDS] = {IDC_ENV_LINE_ELECTRON, IDC_ENV_LINE_POSITRON,
                                          IDC_ENV_LINE_PHOTON};

// The edits whose text is read into a field, and the most characters read:
// typing stops there, rather than at the edit's width with the rest dropped
// in silence at OK.
struct EditLimit {
    int id;
    int characters;
};
const EditLimit EDIT_LIMITS[] = {{IDC_ENV_SCALE_UNIT, SCALE_UNIT_TEXT_SIZE - 1},
                                 {IDC_ENV_PHOTON_CUTOFF, CUTOFF_TEXT_SIZE - 1},
                                 {IDC_ENV_CHARGED_CUTOFF, CUTOFF_TEXT_SIZE - 1},
                                 // A longer folder may be typed: OK refuses it
                                 // with a word, rather than cutting it short.
                                 {IDC_ENV_WORK_DIR, PATH_SIZE - 1}};

// A sample asks to be painted: the line of particle i (samples 0..2) on
// the dialog's face, or a colour swatch (3..5).  Returns FALSE for items of
// other controls.
INT_PTR On_draw_item(HWND dialog, const DRAWITEMSTRUCT *item)
{
    int sample = static_cast<int>(item->CtlID) - IDC_ENV_SAMPLE_FIRST;
    int swatch = static_cast<int>(item->CtlID) - IDC_ENV_SWATCH_FIRST;
    if (sample >= 0 && sample < PARTICLE_KINDS) {
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        // A pen wider than any the picker offers (from a damaged info file)
        // is shown at the widest, so that the sample stays on its row.
        int width = env_edit.working.particle_pen_width[sample];
        if (width > SAMPLE_WIDTH_MAX)
            width = SAMPLE_WIDTH_MAX;
        Item_line(dialog, item, SAMPLE_INSET, env_edit.working.particle_pen_style[sample], width,
                  env_edit.working.particle_color[sample]);
        return TRUE;
    }
    if (swatch >= 0 && swatch < 3) {
        const Colour colours[3] = {env_edit.working.background_color,
                                   env_edit.working.geometry_color,
                                   env_edit.working.character_color};
        Dialog_swatch(item->hDC, item->rcItem, colours[swatch]);
        return TRUE;
    }
    return FALSE;
}

// After a picker: the samples show the working copy again.
void Samples_invalidate(HWND dialog)
{
    for (int i = 0; i < 2 * PARTICLE_KINDS; i++)
        InvalidateRect(GetDlgItem(dialog, IDC_ENV_SAMPLE_FIRST + i), nullptr, FALSE);
}

// The fields of the working copy from the settings record or back: the two
// have them under the same names.  Texts are copied with the rest of their
// field cleared.
template <class To, class From>
void Environment_copy(To *to, const From &from)
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        to->particle_color[i] = from.particle_color[i];
        to->particle_pen_style[i] = from.particle_pen_style[i];
        to->particle_pen_width[i] = from.particle_pen_width[i];
    }
    to->background_color = from.background_color;
    to->geometry_color = from.geometry_color;
    to->character_color = from.character_color;
    Text_copy(to->scale_unit_text, sizeof to->scale_unit_text, from.scale_unit_text);
    Text_copy(to->photon_cutoff_text, sizeof to->photon_cutoff_text, from.photon_cutoff_text);
    Text_copy(to->charged_cutoff_text, sizeof to->charged_cutoff_text, from.charged_cutoff_text);
}

void Angle_show(HWND dialog, int32_t value)
{
    SetScrollPos(GetDlgItem(dialog, IDC_ENV_ANGLE_BAR), SB_CTL, value, TRUE);
}

int32_t Angle_clamp(int32_t value)
{
    return value < 0 ? 0 : value > ANGLE_MAX ? ANGLE_MAX : value;
}

void On_init(HWND dialog)
{
    dialog_results.environment_confirmed = 0;
    SetDlgItemTextA(dialog, IDC_ENV_SCALE_UNIT, settings.scale_unit_text);
    SetDlgItemTextA(dialog, IDC_ENV_PHOTON_CUTOFF, settings.photon_cutoff_text);
    SetDlgItemTextA(dialog, IDC_ENV_CHARGED_CUTOFF, settings.charged_cutoff_text);
    SetDlgItemTextA(dialog, IDC_ENV_WORK_DIR, settings.work_dir);
    CheckDlgButton(dialog, IDC_ENV_SCALE_AUTO,
                   display.scale_auto == 1 ? BST_CHECKED : BST_UNCHECKED);
    for (const EditLimit &limit : EDIT_LIMITS)
        SendDlgItemMessageA(dialog, limit.id, EM_LIMITTEXT, static_cast<WPARAM>(limit.characters),
                            0);

    HWND bar = GetDlgItem(dialog, IDC_ENV_ANGLE_BAR);
    ShowScrollBar(bar, SB_CTL, TRUE);
    SetScrollRange(bar, SB_CTL, 0, ANGLE_MAX, FALSE);
    angle_scroll_pos = angle_scroll_prev = settings.angle_step;
    Angle_show(dialog, angle_scroll_prev);
    SetDlgItemInt(dialog, IDC_ENV_ANGLE_EDIT, static_cast<UINT>(angle_scroll_prev), TRUE);
    SendDlgItemMessageA(dialog, IDC_ENV_ANGLE_EDIT, EM_LIMITTEXT, 3, 0);

    Environment_copy(&env_edit.working, settings);

    HDC dc = GetDC(dialog);
    display_colors = GetDeviceCaps(dc, SIZEPALETTE);
    if (display_colors == 0)
        display_colors = GetDeviceCaps(dc, NUMCOLORS);
    ReleaseDC(dialog, dc);
}

// Typing into the angle edit moves the bar; the text is not rewritten, so a
// typed 120 stays while the bar stands at 90.
void On_angle_edit(HWND dialog)
{
    angle_scroll_pos =
        static_cast<int32_t>(GetDlgItemInt(dialog, IDC_ENV_ANGLE_EDIT, nullptr, TRUE));
    if (angle_scroll_pos == angle_scroll_prev)
        return;
    angle_scroll_prev = Angle_clamp(angle_scroll_pos);
    Angle_show(dialog, angle_scroll_prev);
}

// The arrows step by one and dragging the thumb follows it; a click beside
// the thumb changes nothing.
void On_angle_bar(HWND dialog, WPARAM wparam)
{
    int32_t value = angle_scroll_prev;
    switch (LOWORD(wparam)) {
    case SB_LINELEFT: value = angle_scroll_prev - 1; break;
    case SB_LINERIGHT: value = angle_scroll_prev + 1; break;
    case SB_THUMBTRACK: value = static_cast<int16_t>(HIWORD(wparam)); break;
    default: break;
    }
    angle_scroll_pos = Angle_clamp(value);
    if (angle_scroll_pos == angle_scroll_prev)
        return;
    angle_scroll_prev = angle_scroll_pos;
    Angle_show(dialog, angle_scroll_prev);
    SetDlgItemInt(dialog, IDC_ENV_ANGLE_EDIT, static_cast<UINT>(angle_scroll_prev), TRUE);
}

// The text of an edit into a field of `size` bytes, the rest of the field
// cleared.
void Edit_read(HWND dialog, int id, char *field, size_t size)
{
    char text[CUTOFF_TEXT_SIZE];
    GetDlgItemTextA(dialog, id, text, static_cast<int>(size < sizeof text ? size : sizeof text));
    Text_copy(field, size, text);
}

// A typed decimal within 0..high; the text may gain the 0 of a trailing point.
bool Decimal_ok(char *text, size_t size, double high)
{
    float value = 0;
    return Real_check(text, std::strlen(text), size, &value) == 0 && value >= 0.0f && value <= high;
}

// The work directory typed into edit 305, made the text the field keeps:
// blanks at the ends dropped, an empty text the temporary folder's token,
// and a trailing backslash added (without it the work file would be made
// in the parent folder, named after the last part of the path).  Returns
// 0, or -1 after telling the user why it cannot be kept: longer than the
// field, or a folder that does not exist.  The departure from taking the
// text as it stands is on purpose: a work directory that cannot hold the
// work file is then found at OK, once, and not by every rebuild after it.
int Work_dir_read(HWND dialog, char *field, size_t field_size)
{
    char typed[PATH_SIZE + 2];
    GetDlgItemTextA(dialog, IDC_ENV_WORK_DIR, typed, PATH_SIZE);
    char *text = typed;
    while (*text == ' ')
        text++;
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        text[--n] = '\0';
    if (n == 0) {
        text = typed;
        n = static_cast<size_t>(std::snprintf(typed, sizeof typed, "%s", WORK_DIR_TEMP));
    }
    if (text[n - 1] != '\\' && text[n - 1] != '/') {
        text[n++] = '\\';
        text[n] = '\0';
    }
    char message[PATH_SIZE + 160];
    if (n >= field_size) {
        std::snprintf(message, sizeof message,
                      "The work area directory may have at most %d characters:\n%s\n\n"
                      "Choose a shorter folder, or %s for your temporary folder.",
                      static_cast<int>(field_size - 1), text, WORK_DIR_TEMP);
        Input_error(dialog, message);
        return -1;
    }
    char folder[PATH_SIZE];
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (Work_dir_resolve(text, folder, sizeof folder) == 0)
        attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::snprintf(message, sizeof message, "The work area directory does not exist:\n%s", text);
        Input_error(dialog, message);
        return -1;
    }
    Text_copy(field, field_size, text);
    return 0;
}

bool Changed()
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        if (env_edit.working.particle_pen_style[i] != settings.particle_pen_style[i] ||
            env_edit.working.particle_pen_width[i] != settings.particle_pen_width[i] ||
            env_edit.working.particle_color[i] != settings.particle_color[i])
            return true;
    }
    return std::strcmp(env_edit.working.scale_unit_text, settings.scale_unit_text) != 0 ||
           std::strcmp(env_edit.working.photon_cutoff_text, settings.photon_cutoff_text) != 0 ||
           std::strcmp(env_edit.working.charged_cutoff_text, settings.charged_cutoff_text) != 0 ||
           env_edit.working.background_color != settings.background_color ||
           env_edit.working.geometry_color != settings.geometry_color ||
           env_edit.working.character_color != settings.character_color;
}

void Commit()
{
    Environment_copy(&settings, env_edit.working);
    Settings_derive_colours();
}

// OK: a work directory that cannot be kept is reported first (nothing is
// stored then); the rotation step and the work directory are stored before
// the other checks (a failed check keeps them, also after Cancel); then the
// numbers are
// checked in order and the first bad one is reported, the dialog staying
// open with everything as typed.  Returns TRUE when the dialog closed.
INT_PTR On_ok(HWND dialog)
{
    char work_dir[WORK_DIR_SIZE];
    if (Work_dir_read(dialog, work_dir, sizeof work_dir) != 0)
        return FALSE;
    settings.angle_step = angle_scroll_prev;
    Edit_read(dialog, IDC_ENV_SCALE_UNIT, env_edit.working.scale_unit_text,
              sizeof env_edit.working.scale_unit_text);
    Edit_read(dialog, IDC_ENV_PHOTON_CUTOFF, env_edit.working.photon_cutoff_text,
              sizeof env_edit.working.photon_cutoff_text);
    Edit_read(dialog, IDC_ENV_CHARGED_CUTOFF, env_edit.working.charged_cutoff_text,
              sizeof env_edit.working.charged_cutoff_text);
    Text_copy(settings.work_dir, sizeof settings.work_dir, work_dir);

    if (!Decimal_ok(env_edit.working.scale_unit_text, sizeof env_edit.working.scale_unit_text,
                    SCALE_UNIT_MAX)) {
        Input_error(dialog, "Input Scale unit ERROR!!");
        return FALSE;
    }
    // The value last typed is checked, not the bar's clamped position: a
    // typed 120 is reported rather than silently stored as 90.
    if (angle_scroll_pos < 0 || angle_scroll_pos > ANGLE_MAX) {
        Input_error(dialog, "Input angle change value error!!");
        return FALSE;
    }
    if (!Decimal_ok(env_edit.working.photon_cutoff_text, sizeof env_edit.working.photon_cutoff_text,
                    CUTOFF_MAX)) {
        Input_error(dialog, "Input photon cut-off energy error.");
        return FALSE;
    }
    if (!Decimal_ok(env_edit.working.charged_cutoff_text,
                    sizeof env_edit.working.charged_cutoff_text, CUTOFF_MAX)) {
        Input_error(dialog, "Input charged particle cut-off  energy error.");
        return FALSE;
    }
    if (Changed())
        dialog_host.settings_changed = 1;
    // The automatic scale unit: a rebuild when it changes, kept at once.
    const int32_t automatic = IsDlgButtonChecked(dialog, IDC_ENV_SCALE_AUTO) == BST_CHECKED;
    if (automatic != display.scale_auto) {
        display.scale_auto = automatic;
        Scale_auto_save();
        dialog_host.settings_changed = 1;
    }
    if (dialog_host.settings_changed == 1)
        Commit();
    dialog_results.environment_confirmed = 1;
    EndDialog(dialog, 1);
    return TRUE;
}

void Color_picker_open(HWND dialog, int32_t target)
{
    env_edit.color_target = target;
    if (display_colors == 16 || display_colors == 256)
        DialogBoxParamA(dialog_host.app_instance, "COLOR", dialog, Color_proc, 0);
    else
        DialogBoxParamA(dialog_host.app_instance, "COLOR256", dialog, Color256_proc, 0);
    Samples_invalidate(dialog);
}

void Line_picker_open(HWND dialog, int32_t target)
{
    env_edit.line_target = target;
    DialogBoxParamA(dialog_host.app_instance, "Line", dialog, Line_proc, 0);
    Samples_invalidate(dialog);
}

// Returns TRUE for a command handled here; others go on to the default path.
INT_PTR On_env_command(HWND dialog, WPARAM wparam)
{
    int id = LOWORD(wparam);
    for (const ColourButton &button : COLOUR_BUTTONS) {
        if (id == button.id && HIWORD(wparam) == BN_CLICKED) {
            Color_picker_open(dialog, button.target);
            return TRUE;
        }
    }
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        if (id == LINE_BUTTONS[i] && HIWORD(wparam) == BN_CLICKED) {
            Line_picker_open(dialog, i + 1);
            return TRUE;
        }
    }
    switch (id) {
    case IDC_ENV_ANGLE_EDIT:
        if (HIWORD(wparam) == EN_CHANGE)
            On_angle_edit(dialog);
        return FALSE;
    case IDOK: return On_ok(dialog);
    case IDCANCEL:
        dialog_host.settings_changed = 0;
        EndDialog(dialog, 1);
        return TRUE;
    default: return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK Environment_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: On_init(dialog); return TRUE;
    case WM_COMMAND:
        if (On_env_command(dialog, wparam))
            return TRUE;
        break;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_ENV_ANGLE_BAR))
            On_angle_bar(dialog, wparam);
        return TRUE;
    case WM_DRAWITEM: return On_draw_item(dialog, reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
    default: break;
    }
    return FALSE;
}
