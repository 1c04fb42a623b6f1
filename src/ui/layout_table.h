// The main window as data: one row per control, in creation order, from which a front-end builds
// the window. Plain C++ without any window toolkit, so that the Qt front-end and a native Windows
// front-end build the same window from the same rows.
//
// Geometry is in pixels at 96 dpi, relative to the top-left corner of the parent (the window's
// client area, or the group box that holds the control). For the window itself, left and top are
// the outer top-left corner on the screen and width and height the client area.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace gaintool::ui {

enum class ControlKind {
  Form,        // the main window
  Image,       // a picture, drawn at its own size from the frame's top-left corner
  Memo,        // multi-line text
  GroupBox,    // a framed group with a caption
  Label,       // a caption that sizes itself to its text
  ComboBox,    // see ComboStyle
  Edit,        // single-line text box
  Button,      // push button
  StaticText,  // a caption that sizes itself to its text plus a 2-pixel border on each side
  StatusBar,   // one line of text along the bottom edge
};

enum class ComboStyle {
  None,          // not a combo box
  DropDown,      // editable: any text may be typed
  DropDownList,  // list only: one of the items is chosen
};

// A font as the layout gives it. `height` follows the Windows convention: negative is the
// character height in pixels (-11 is 8 point at 96 dpi). An empty family means the parent's font.
struct FontSpec {
  std::string_view family;
  int height = 0;
  bool bold = false;
  std::int32_t color = -1;  // 0xRRGGBB; -1: the window text colour

  bool Inherited() const { return family.empty(); }
};

// One event of a control bound to a handler of the window class, e.g. {"OnClick", "ADJClick"}.
struct Binding {
  std::string_view event;
  std::string_view handler;
};

struct ControlRow {
  std::string_view name = {};
  ControlKind kind = ControlKind::Label;
  std::string_view parent = {};  // empty for the window itself
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  // Caption, initial text or, for an image, the name of its picture ("logo", "wordmark").
  std::string_view text = {};
  std::span<const std::string_view> items = {};  // a combo box's list
  ComboStyle combo = ComboStyle::None;
  int item_index = -1;  // a combo box's selected item at start; -1 for none
  // Place among the parent's controls in keyboard order; -1 for a control without one.
  int tab_order = -1;
  bool tab_stop = false;  // whether the Tab key stops here
  bool visible = true;
  FontSpec font = {};
  std::span<const Binding> bindings = {};
};

// The main window: the window's own row first, then its controls in creation order, which is also
// their stacking order among siblings (a later control lies above an earlier one).
std::span<const ControlRow> MainWindowLayout();

// The row of the control `name` in `layout`, or nullptr.
const ControlRow* FindControl(std::span<const ControlRow> layout, std::string_view name);

// The tab stops of the whole window in the order the Tab key visits them: the window's controls
// by tab order, each group box entered in its place and its own controls visited by their tab
// order. Controls with tab_stop false are passed over, and so are invisible ones.
std::vector<std::string_view> TabSequence(std::span<const ControlRow> layout);

}  // namespace gaintool::ui
