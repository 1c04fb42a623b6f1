#include "ui/layout_table.h"

#include <algorithm>
#include <array>

namespace gaintool::ui {

namespace {

using K = ControlKind;

// The table is laid out by hand, a row or two of source per control.
// clang-format off

constexpr std::string_view kWindowFamily = "MS Sans Serif";
constexpr FontSpec kWindowFont{kWindowFamily, -11};
constexpr FontSpec kConnectFont{kWindowFamily, -12, true};
constexpr FontSpec kVerdictFont{kWindowFamily, -32, false, 0x008000};

constexpr std::array<std::string_view, 1> kBaudItems{"115200"};
constexpr std::array<std::string_view, 3> kModeItems{"正常模式", "耳机模式", "免提模式"};

constexpr std::array<Binding, 2> kFormEvents{{{"OnCreate", "PortCBoxChange"},
                                              {"OnShow", "FormShow"}}};
constexpr std::array<Binding, 1> kPortChange{{{"OnChange", "PortCBoxChange"}}};
constexpr std::array<Binding, 1> kModeChange{{{"OnChange", "ModeBoxChange"}}};
constexpr std::array<Binding, 1> kConnectClick{{{"OnClick", "Button3Click"}}};
constexpr std::array<Binding, 1> kMicWriteClick{{{"OnClick", "Button1Click"}}};
constexpr std::array<Binding, 1> kSpeechWriteClick{{{"OnClick", "Button2Click"}}};
constexpr std::array<Binding, 1> kMelodyWriteClick{{{"OnClick", "Button5Click"}}};
constexpr std::array<Binding, 1> kSideToneWriteClick{{{"OnClick", "ADJClick"}}};
constexpr std::array<Binding, 1> kMicReadClick{{{"OnClick", "Mic_Read_BttnClick"}}};
constexpr std::array<Binding, 1> kSpeechReadClick{{{"OnClick", "Speech_Read_BttnClick"}}};
constexpr std::array<Binding, 1> kMelodyReadClick{{{"OnClick", "Melody_Read_BttnClick"}}};
constexpr std::array<Binding, 1> kSideToneReadClick{{{"OnClick", "ReadClick"}}};

// Rows of the "Setting" group's value boxes and column heads, level column i at 96 + 40 * i.
constexpr ControlRow Head(std::string_view name, std::string_view text, int level) {
  return {.name = name, .kind = K::Label, .parent = "GroupBox2", .left = 96 + 40 * level,
          .top = 16, .width = 32, .height = 13, .text = text};
}
constexpr ControlRow Box(std::string_view name, int level, int top, int tab_order) {
  return {.name = name, .kind = K::Edit, .parent = "GroupBox2", .left = 96 + 40 * level,
          .top = top, .width = 30, .height = 21, .tab_order = tab_order, .tab_stop = true};
}
constexpr ControlRow Label(std::string_view name, std::string_view parent, int left, int top,
                           int width, std::string_view text) {
  return {.name = name, .kind = K::Label, .parent = parent, .left = left, .top = top,
          .width = width, .height = 13, .text = text};
}
constexpr ControlRow Button(std::string_view name, int left, int top, std::string_view text,
                            int tab_order, std::span<const Binding> click) {
  return {.name = name, .kind = K::Button, .parent = "GroupBox2", .left = left, .top = top,
          .width = 30, .height = 20, .text = text, .tab_order = tab_order, .tab_stop = true,
          .bindings = click};
}

constexpr std::array kLayout{
    ControlRow{.name = "Form1", .kind = K::Form, .left = 351, .top = 98, .width = 472,
               .height = 313, .text = "Tessora增益调整工具", .font = kWindowFont,
               .bindings = kFormEvents},

    // On the window itself. The memos lie under the "Connect" group, which is created after
    // them and so covers them.
    ControlRow{.name = "Image1", .kind = K::Image, .parent = "Form1", .left = 312, .top = 8,
               .width = 65, .height = 65, .text = "logo"},
    ControlRow{.name = "Image2", .kind = K::Image, .parent = "Form1", .left = 292, .top = 80,
               .width = 105, .height = 25, .text = "wordmark"},
    ControlRow{.name = "Memo1", .kind = K::Memo, .parent = "Form1", .left = 16, .top = 48,
               .width = 113, .height = 41, .text = "Memo1", .tab_order = 4, .tab_stop = true},
    ControlRow{.name = "Memo", .kind = K::Memo, .parent = "Form1", .left = 16, .top = 16,
               .width = 113, .height = 25, .text = "Memo", .tab_order = 2, .tab_stop = true},
    ControlRow{.name = "GroupBox1", .kind = K::GroupBox, .parent = "Form1", .left = 8, .top = 8,
               .width = 257, .height = 89, .text = "Connect", .tab_order = 0},
    ControlRow{.name = "GroupBox2", .kind = K::GroupBox, .parent = "Form1", .left = 8,
               .top = 104, .width = 457, .height = 185, .text = "Setting", .tab_order = 1},
    ControlRow{.name = "StatusBar", .kind = K::StatusBar, .parent = "Form1", .left = 0,
               .top = 294, .width = 472, .height = 19},

    // "Connect"
    Label("Label1", "GroupBox1", 16, 24, 60, "串口选择："),
    Label("Label2", "GroupBox1", 16, 64, 48, "波特率："),
    ControlRow{.name = "PortCBox", .kind = K::ComboBox, .parent = "GroupBox1", .left = 88,
               .top = 24, .width = 81, .height = 21, .combo = ComboStyle::DropDown,
               .tab_order = 0, .tab_stop = true, .bindings = kPortChange},
    ControlRow{.name = "ComboBox", .kind = K::ComboBox, .parent = "GroupBox1", .left = 88,
               .top = 56, .width = 81, .height = 21, .items = kBaudItems,
               .combo = ComboStyle::DropDown, .tab_order = 1, .tab_stop = true},
    ControlRow{.name = "Button3", .kind = K::Button, .parent = "GroupBox1", .left = 176,
               .top = 19, .width = 75, .height = 57, .text = "CONNECT", .tab_order = 2,
               .tab_stop = true, .font = kConnectFont, .bindings = kConnectClick},

    // "Setting": column heads
    Head("Label5", "Level0", 0),
    Head("Label6", "Level1", 1),
    Head("Label7", "Level2", 2),
    Head("Label8", "Level3", 3),
    Head("Label9", "Level4", 4),
    Head("Label10", "Level5", 5),
    Head("Label11", "Level6", 6),

    // Speech row
    Label("Label4", "GroupBox2", 8, 43, 73, "Speech调整："),
    Box("SEdit1", 0, 40, 2),
    Box("SEdit2", 1, 40, 3),
    Box("SEdit3", 2, 40, 4),
    Box("SEdit4", 3, 40, 5),
    Box("SEdit5", 4, 40, 6),
    Box("SEdit6", 5, 40, 7),
    Box("SEdit7", 6, 40, 10),
    Button("Button2", 376, 40, "ADJ", 8, kSpeechWriteClick),
    Button("Speech_Read_Bttn", 416, 40, "Read", 20, kSpeechReadClick),

    // Melody row
    Label("Label12", "GroupBox2", 8, 84, 70, "Melody调整："),
    Box("Edit1", 0, 80, 11),
    Box("Edit2", 1, 80, 12),
    Box("Edit3", 2, 80, 13),
    Box("Edit4", 3, 80, 15),
    Box("Edit5", 4, 80, 16),
    Box("Edit6", 5, 80, 17),
    Box("Edit7", 6, 80, 18),
    Button("Button5", 376, 80, "ADJ", 14, kMelodyWriteClick),
    Button("Melody_Read_Bttn", 416, 80, "Read", 21, kMelodyReadClick),

    // SideTone and Mic, side by side
    Label("Label15", "GroupBox2", 8, 124, 82, "SideTone调整："),
    ControlRow{.name = "SideToneEdit", .kind = K::Edit, .parent = "GroupBox2", .left = 96,
               .top = 120, .width = 49, .height = 21, .tab_order = 22, .tab_stop = true},
    Button("ADJ", 152, 120, "ADJ", 23, kSideToneWriteClick),
    Button("Read", 192, 120, "Read", 24, kSideToneReadClick),
    Label("Label16", "GroupBox2", 256, 123, 53, "Mic调整："),
    ControlRow{.name = "MEdit1", .kind = K::Edit, .parent = "GroupBox2", .left = 312,
               .top = 120, .width = 49, .height = 21, .tab_order = 0, .tab_stop = true},
    Button("Button1", 376, 120, "ADJ", 1, kMicWriteClick),
    Button("Mic_Read_Bttn", 416, 120, "Read", 19, kMicReadClick),

    // Mode and verdict
    Label("Label3", "GroupBox2", 8, 155, 60, "模式选择："),
    ControlRow{.name = "ModeBox", .kind = K::ComboBox, .parent = "GroupBox2", .left = 96,
               .top = 152, .width = 89, .height = 21, .items = kModeItems,
               .combo = ComboStyle::DropDownList, .item_index = 0, .tab_order = 25,
               .tab_stop = true, .bindings = kModeChange},
    ControlRow{.name = "StaticText", .kind = K::StaticText, .parent = "GroupBox2", .left = 217,
               .top = 152, .width = 4, .height = 4, .tab_order = 9, .tab_stop = false,
               .font = kVerdictFont},
    ControlRow{.name = "Label13", .kind = K::Label, .parent = "GroupBox2", .left = 8,
               .top = 168, .width = 3, .height = 13, .visible = false},
};

// clang-format on

void AppendTabStops(std::span<const ControlRow> layout, std::string_view parent,
                    std::vector<std::string_view>& sequence) {
  std::vector<const ControlRow*> children;
  for (const ControlRow& row : layout) {
    if (row.parent == parent && row.tab_order >= 0 && row.visible) children.push_back(&row);
  }
  // Stable: equal tab orders keep their creation order.
  std::stable_sort(children.begin(), children.end(), [](const ControlRow* a, const ControlRow* b) {
    return a->tab_order < b->tab_order;
  });
  for (const ControlRow* child : children) {
    if (child->tab_stop) sequence.push_back(child->name);
    if (child->kind == ControlKind::GroupBox) AppendTabStops(layout, child->name, sequence);
  }
}

}  // namespace

std::span<const ControlRow> MainWindowLayout() {
  return kLayout;
}

const ControlRow* FindControl(std::span<const ControlRow> layout, std::string_view name) {
  for (const ControlRow& row : layout) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::vector<std::string_view> TabSequence(std::span<const ControlRow> layout) {
  std::vector<std::string_view> sequence;
  for (const ControlRow& row : layout) {
    if (row.kind == ControlKind::Form) AppendTabStops(layout, row.name, sequence);
  }
  return sequence;
}

}  // namespace gaintool::ui
