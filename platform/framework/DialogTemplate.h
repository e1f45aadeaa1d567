#pragma once

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

class QWidget;

// Dialog templates: a dialog or form described as a table of controls placed
// in dialog units, so that every window keeps its proportions with its font.
// A dialog unit is a quarter of the font's average character width across and
// an eighth of its height down, measured as Windows measures them; the tables
// therefore keep the numbers of the original layouts.

enum class DLGCTRL
{
    Static,     // text
    Picture,    // image from the image provider (nImage)
    EtchedHorz, // etched horizontal line
    PushButton,
    DefPushButton, // the button that Enter presses
    Edit,
    TreeView,
    ListView, // report-style list
    ComboBox, // drop-down list
    Progress,
    RadioButton,
    CheckBox,
    GroupBox,
};

// Control styles.
enum : unsigned
{
    DLGS_TABSTOP = 0x0001,
    DLGS_GROUP = 0x0002,
    DLGS_HIDDEN = 0x0004,
    DLGS_DISABLED = 0x0008,
    DLGS_NOPREFIX = 0x0010, // static text shows "&" as it stands
    DLGS_CENTER = 0x0020,
    DLGS_RIGHT = 0x0040,
    DLGS_HSCROLL = 0x0080,
    DLGS_VSCROLL = 0x0100,
    DLGS_BORDER = 0x0200,
    DLGS_SORT = 0x0400, // combo box: sorted
};

// Template styles.
enum : unsigned
{
    DLGT_CAPTION = 0x0001,
    DLGT_SYSMENU = 0x0002,
    DLGT_MODALFRAME = 0x0004,
    DLGT_CHILD = 0x0008, // a form inside a pane: no caption, no frame
};

struct DLGITEMTEMPLATE
{
    DLGCTRL kind;
    int nId; // control identifier; 0 (or -1) for controls nobody addresses
    int x, y, cx, cy;
    const char16_t* pszText;
    unsigned dwStyle;
    unsigned nImage; // Picture: image resource identifier
};

struct DLGTEMPLATE
{
    unsigned nId;
    const char16_t* pszCaption;
    const char16_t* pszFont;
    int nPointSize;
    int cx, cy;
    unsigned dwStyle;
    std::vector<DLGITEMTEMPLATE> items;
};

// nNumber * nNumerator / nDenominator in 64 bits, rounded half away from
// zero; -1 for a zero denominator or a result outside 32 bits.
int MulDiv(int nNumber, int nNumerator, int nDenominator);

// The template's font at the screen's logical resolution.
QFont DialogFont(const DLGTEMPLATE& tpl);
// Horizontal and vertical dialog base units of a font: the average width of
// the 52 letters A-Z and a-z, rounded, and the font's height.
QSize DialogBaseUnits(const QFont& font);
QRect DialogUnitsToPixels(const QRect& rcDlu, const QSize& sizeBase);

// Where pictures of the templates come from (the program's images).
using DialogImageProvider = QPixmap (*)(unsigned nImage);
void SetDialogImageProvider(DialogImageProvider pfnProvider);
QPixmap LoadDialogImage(unsigned nImage);

// Control identifiers on widgets. FindDlgItem looks at the direct children.
void SetDlgCtrlID(QWidget* pWidget, int nId);
int GetDlgCtrlID(const QWidget* pWidget);
QWidget* FindDlgItem(const QWidget* pParent, int nId);
// The text of a label, edit or button (empty for other controls and null).
QString GetWindowText(const QWidget* pCtrl);
void SetWindowText(QWidget* pCtrl, const QString& strText);

// The standard widget for one template control, not yet placed.
QWidget* CreateDialogControl(const DLGITEMTEMPLATE& item, QWidget* pParent);

// Builds the controls of tpl into pParent with the template's font: each
// control comes from fnCreate (null there means the standard one), gets its
// identifier, position and size in pixels, and joins the tab order in
// template order. Returns the template's size in pixels.
QSize BuildDialogControls(QWidget* pParent, const DLGTEMPLATE& tpl,
                          const std::function<QWidget*(const DLGITEMTEMPLATE&)>& fnCreate = {});
