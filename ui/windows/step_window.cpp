#include "ui/windows/step_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cwchar>
#include <exception>
#include <stdexcept>
#include <vector>

#include "app/application.h"
#include "platform/resources.h"
#include "platform/windows/folder_browser.h"
#include "platform/windows/system_dlls.h"
#include "platform/windows/wide.h"
#include "platform/windows/window_thunk.h"
#include "skin/colours.h"
#include "skin/windows/button_window.h"
#include "skin/windows/title_bar_window.h"
#include "ui/page_picture.h"

namespace ui {

using app::Control;
using platform::windows::Narrow;
using platform::windows::Wide;

namespace {

constexpr int kPageWidth = StepWindow::kClientWidth;
constexpr int kPageHeight = StepWindow::kClientHeight - StepWindow::kTitleHeight;  // 448
constexpr int kPanel9Height = 114;

// eInsSysType's entries and their keys.
constexpr const char* kEditionItems[] = {"请选择", "Orvane云专家美食版", "Orvane云专家商业版"};
constexpr const char* kEditionKeys[] = {"N", "CySaaS", "SySaaS"};

// The layout: where each control sits on its page's panel (Panel2 for the
// selection, Panel9 for the progress, Panel6 for the finish).
struct ControlPlace {
  Control control;
  int x, y, width, height;
};
constexpr ControlPlace kLayout[] = {
    // Panel2
    {Control::Label1, 102, 99, 84, 14},
    {Control::eInsSysType, 192, 96, 169, 120},  // the field and its drop-down part
    {Control::LInstallFolder, 144, 139, 42, 14},
    {Control::EInstallFolder, 192, 136, 417, 20},
    {Control::CkIns_Sc, 192, 184, 169, 17},
    {Control::CkIns_Pos, 376, 184, 169, 17},
    {Control::CkIns_WmSvr, 192, 216, 169, 17},
    {Control::CkIns_Kds, 376, 216, 169, 17},
    {Control::BtnInstall, 272, 272, 177, 49},
    // Panel9
    {Control::EInstallProcess, 32, 8, 106, 19},
    {Control::LExtractFilesInfo, 34, 36, 0, 12},  // as wide as its text
    {Control::ProgressBar1, 32, 57, 673, 24},
    {Control::ZipBar, 32, 81, 673, 25},
    // Panel6
    {Control::BtnFinish, 280, 280, 177, 49},
};

constexpr const ControlPlace& PlaceOf(Control control) {
  for (const ControlPlace& place : kLayout)
    if (place.control == control) return place;
  throw std::logic_error("a control without a place in the layout");
}

// The control's place on the panel parent.
ui::Placement On(HWND parent, Control control) {
  const ControlPlace& place = PlaceOf(control);
  return {parent, place.x, place.y, place.width, place.height};
}

// CkIns_Sc, CkIns_Pos, CkIns_WmSvr, CkIns_Kds, in their tab order, and their
// captions.
struct SystemBox {
  Control control;
  const char* caption;
};
constexpr SystemBox kSystemBoxes[] = {{Control::CkIns_Sc, "云后台管理系统"},
                                      {Control::CkIns_Pos, "云前台收银系统"},
                                      {Control::CkIns_WmSvr, "云服务管理系统"},
                                      {Control::CkIns_Kds, "云触屏划菜系统"}};

// The pictures behind the pages (RCDATA resources) and their places.
struct PagePicture {
  const char* resource;
  int page;
  RECT place;
};
constexpr PagePicture kPagePictures[] = {
    {"Image1", 0, {0, 0, kPageWidth, kPageHeight}},
    {"Image3", 1, {0, 0, kPageWidth, kPageHeight - kPanel9Height}},
    {"Image4", 2, {0, 0, kPageWidth, kPageHeight}},
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPanel2Color = RGB(172, 184, 225);
constexpr skin::TColor kStartButtonColor = skin::Rgb(22, 205, 0);

// A child window of one of the system's classes: its class, text, styles
// (WS_CHILD is added) and font.
struct SystemControl {
  const wchar_t* class_name;
  std::wstring text;
  DWORD style = 0, ex_style = 0;
  HFONT font = nullptr;
};

HWND CreateChild(const ui::Placement& place, const SystemControl& control) {
  HWND window = CreateWindowExW(control.ex_style, control.class_name, control.text.c_str(), WS_CHILD | control.style,
                                place.x, place.y, place.width, place.height, place.parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window && control.font) SendMessageW(window, WM_SETFONT, WPARAM(control.font), FALSE);
  return window;
}

skin::win32::SkinButtonWindow* CreateSkinButton(const ui::Placement& place, const char* caption) {
  skin::win32::SkinButtonWindow* button =
      skin::win32::SkinButtonWindow::Create(place.parent, place.x, place.y, place.width, place.height);
  if (!button) return nullptr;
  skin::TOvSkinButton& b = button->button();
  b.SetCaption(caption);
  b.SetFont({"宋体", 19, skin::ColorToRgb(skin::clWhite)});
  b.SetColor(kStartButtonColor);
  b.SetOvDrawBorder(false);
  b.SetHotTrack(true);
  SetWindowTextW(button->hwnd(), Wide(caption).c_str());
  return button;
}

std::string WindowTextOf(HWND window) {
  if (!window) return {};
  int length = GetWindowTextLengthW(window);
  std::wstring text(size_t(length) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), length + 1)));
  return Narrow(text);
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && IsWindowEnabled(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

// The reason the system shows for a logoff or shutdown the window refuses
// while the run writes. ShutdownBlockReasonCreate and ...Destroy exist from
// Windows Vista on, so both are looked up in user32 when needed: on an older
// system the refusal goes without a reason.
class ShutdownBlockReason {
 public:
  explicit ShutdownBlockReason(HWND window) : window_(window) {
    if (auto create = User32Function<BOOL(WINAPI*)(HWND, LPCWSTR)>("ShutdownBlockReasonCreate"))
      registered_ = create(window_, L"正在安装，请稍候。") != FALSE;
  }
  ~ShutdownBlockReason() {
    if (!registered_) return;
    if (auto destroy = User32Function<BOOL(WINAPI*)(HWND)>("ShutdownBlockReasonDestroy")) destroy(window_);
  }
  ShutdownBlockReason(const ShutdownBlockReason&) = delete;
  ShutdownBlockReason& operator=(const ShutdownBlockReason&) = delete;

 private:
  template <typename Function>
  static Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");  // loaded: the window lives in it
    FARPROC found = user32 ? GetProcAddress(user32, name) : nullptr;
    // Through void(*)(): GetProcAddress's type says nothing of the function's.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
  }

  HWND window_;
  bool registered_ = false;
};

StepWindow::StepWindow(app::TfStep& step) : step_(step) { step_.SetControls(this); }

StepWindow::~StepWindow() {
  process_.reset();
  if (window_) {
    OnDestroyed = nullptr;
    DestroyWindow(window_);
  }
}

bool StepWindow::Create(HINSTANCE instance, int show_command) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  if (!GetClassInfoExW(instance, kClassName, &window_class)) {
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = platform::windows::WindowThunk<StepWindow>;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hIcon = LoadIconW(instance, L"MAINICON");  // resources/skin.rc; none in test programs
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = kClassName;
    if (!RegisterClassExW(&window_class)) return false;
  }
  platform::windows::InitCommonControlsOf(ICC_PROGRESS_CLASS);

  // No frame of the system's own: the skinned title bar is a control of the
  // window. The system menu keeps Alt+F4 and the task bar's close working.
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  std::wstring text = Wide("安装");
  if (!CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClassName, text.c_str(), style, left, top, kClientWidth,
                       kClientHeight, nullptr, nullptr, instance, this))
    return false;
  ShowWindow(window_, show_command);
  UpdateWindow(window_);
  RunHandler([this] { step_.FormShow(); });
  return window_ != nullptr;
}

void StepWindow::CreateLayout() {
  font12_ = MakeFont(12);
  font14_ = MakeFont(14);
  font19_ = MakeFont(19);
  CreateTitleBar();

  // PageControl1 with its three pages, hidden for good; each page holds one
  // panel until ShowPage takes it onto the window.
  page_control_.Create(window_, L"DzPageStack", "", 0, kTitleHeight, kPageWidth, kPageHeight, false);
  const char* sheet_names[kPageCount] = {"TabSheet1", "TabSheet3", "TabSheet4"};
  for (int page = 0; page < kPageCount; ++page) {
    sheets_[page].Create(page_control_.hwnd(), L"DzPage", sheet_names[page], 0, 0, kPageWidth, kPageHeight, true);
    pages_[page].Create(sheets_[page].hwnd(), 0, 0, kPageWidth, kPageHeight, true);
  }
  CreateSelectionPage();
  CreateProgressPage();

  // Finish page, Panel6.
  finish_button_ = CreateSkinButton(On(pages_[2].hwnd(), Control::BtnFinish), "关闭(&C)");
  if (finish_button_)
    finish_button_->button().OnClick = [this] { ControlEvent(Control::BtnFinish, &app::TfStep::BtnFinishClick); };

  // The other pictures move the window as well: a borderless window should
  // follow its body as it follows its title bar.
  for (Panel* panel : {&pages_[1], &pages_[2], &panel9_}) panel->OnMouseDown = [this] { BeginWindowDrag(); };
}

// OVSmTitle1.
void StepWindow::CreateTitleBar() {
  try {
    title_bar_ = skin::win32::TitleBarWindow::Create(window_, kTitleHeight);
  } catch (const std::exception& error) {
    app::ShowException(error.what());
  }
  if (title_bar_) {
    skin::TOvCustForm& bar = title_bar_->bar();
    bar.SetCaption("SaaS系统安装程序");
    bar.SetFont({"宋体", 14, skin::ColorToRgb(skin::clWhite)});
    bar.SetColor(9357311);
    bar.SetExDrawFrameLine(true);
    bar.SetExBtnClose(true);
    bar.SetExFadeStyle(skin::fdUpDown);
    bar.SetExFadeUpColor(12020273);
    bar.SetExFadeDownColor(8867363);
  }
}

// Selection page, Panel2; children in tab order (a new child goes below its
// earlier siblings, and Tab walks them from the top).
void StepWindow::CreateSelectionPage() {
  Panel& panel2 = pages_[0];
  panel2.SetColor(kPanel2Color);
  HWND p2 = panel2.hwnd();
  install_button_ = CreateSkinButton(On(p2, Control::BtnInstall), "开始安装(&S)");
  if (install_button_)
    install_button_->button().OnClick = [this] { ControlEvent(Control::BtnInstall, &app::TfStep::BtnInstallClick); };
  install_folder_.Create(On(p2, Control::EInstallFolder), font14_.get());
  SetWindowTextW(install_folder_.hwnd(), Wide("D:\\Program Files\\Tessel管理系统V3").c_str());
  install_folder_.OnButtonClick = [this] {
    ControlEvent(Control::EInstallFolder, &app::TfStep::EInstallFolderEditButtons0Click);
  };
  for (size_t i = 0; i < system_boxes_.size(); ++i) {
    const SystemBox& box = kSystemBoxes[i];
    system_boxes_[i] = CreateChild(On(p2, box.control), {L"BUTTON", Wide(box.caption),
                                                         WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_FLAT, 0,
                                                         font14_.get()});
    panel2.MakeTransparent(system_boxes_[i], kWhite);
  }
  // The list draws its entries itself, its text centred in the 18-pixel
  // field (the system's drawing would put 12-pixel text at the field's top
  // and cut it). It is as high as its field plus the drop-down part.
  panel2.OnMeasureItem = [](MEASUREITEMSTRUCT& item) { item.itemHeight = 16; };
  panel2.OnDrawItem = [this](const DRAWITEMSTRUCT& item) { DrawEditionItem(item); };
  edition_list_ = CreateChild(
      On(p2, Control::eInsSysType),
      {L"COMBOBOX", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
       0, font12_.get()});
  for (const char* item : kEditionItems) SendMessageW(edition_list_, CB_ADDSTRING, 0, LPARAM(Wide(item).c_str()));
  FitEditionFieldHeight();
  install_folder_label_.Create(On(p2, Control::LInstallFolder), {"安装到", font14_.get(), 14, kWhite, false});
  label1_.Create(On(p2, Control::Label1), {"选择系统类型", font14_.get(), 14, kWhite, false});
  panel2.OnCommand = [this](WPARAM wparam, LPARAM lparam) {
    if (reinterpret_cast<HWND>(lparam) == edition_list_ && HIWORD(wparam) == CBN_SELCHANGE)
      ControlEvent(Control::eInsSysType, &app::TfStep::eInsSysTypeChange);
  };
  // Presses on the page background (the picture covers the whole panel).
  panel2.OnMouseDown = [this] {
    if (handler_depth_ == 0 && top_page_ == 0) RunHandler([this] { step_.Panel2MouseDown(); });
  };

}

// The edition list's field 18 pixels high. The control adds its frame (and
// some systems a margin) to the item height it is given; correct by what it
// made of it.
void StepWindow::FitEditionFieldHeight() {
  int setting = int(SendMessageW(edition_list_, CB_GETITEMHEIGHT, WPARAM(-1), 0));
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT field;
    GetWindowRect(edition_list_, &field);
    const int error = 18 - (field.bottom - field.top);
    if (error == 0 || setting + error < 1) break;
    setting += error;
    SendMessageW(edition_list_, CB_SETITEMHEIGHT, WPARAM(-1), setting);
  }
}

// Progress page, Panel5: the banner above Panel9.
void StepWindow::CreateProgressPage() {
  Panel& panel5 = pages_[1];
  panel9_.Create(panel5.hwnd(), 0, kPageHeight - kPanel9Height, kPageWidth, kPanel9Height, true);
  panel9_.SetColor(kWhite);
  panel9_.SetBevels(Bevel::Lowered, Bevel::Raised);
  HWND p9 = panel9_.hwnd();
  progress_bar_ = CreateChild(On(p9, Control::ProgressBar1),
                              {PROGRESS_CLASSW, L"", WS_VISIBLE | PBS_SMOOTH, WS_EX_STATICEDGE});
  zip_bar_ = CreateChild(On(p9, Control::ZipBar), {PROGRESS_CLASSW, L"", PBS_SMOOTH, WS_EX_STATICEDGE});
  for (HWND bar : {progress_bar_, zip_bar_}) {
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    SendMessageW(bar, PBM_SETPOS, 50, 0);
  }
  const COLORREF text_colour = GetSysColor(COLOR_WINDOWTEXT);
  install_process_.Create(On(p9, Control::EInstallProcess), {"正在安装...", font19_.get(), 19, text_colour, true});
  extract_files_info_.Create(On(p9, Control::LExtractFilesInfo), {"", font12_.get(), 12, text_colour, true});
}

void StepWindow::LoadPictures() {
  for (const PagePicture& picture : kPagePictures) {
    try {
      auto bytes = platform::FindModuleResource(picture.resource, platform::kResourceTypeRcData);
      if (!bytes) throw EPictureError("The picture is missing from the program's resources");
      pages_[picture.page].SetPicture(DecodeJpeg(bytes->data, bytes->size), picture.place);
    } catch (const std::exception& error) {
      // The page keeps its plain colour; the program goes on.
      app::ShowException(std::string(picture.resource) + ": " + error.what());
    }
  }
}

// ProgressBar1's look, part of the form's creation: no sunken frame, a light
// red background and a red bar; both bars start empty.
void StepWindow::StyleProgressBar() {
  // Classic drawing even where the system would theme the bar (Wine themes
  // its common controls without a manifest); a themed bar ignores colours.
  // A class list naming no class opens no theme (an empty one is not kept
  // by every system). This comes first: the bar takes its frame back when
  // its theme changes.
  platform::windows::SetWindowThemeOf(progress_bar_, L" ", L" ");
  SetWindowLongW(progress_bar_, GWL_EXSTYLE, GetWindowLongW(progress_bar_, GWL_EXSTYLE) & ~WS_EX_STATICEDGE);
  SetWindowPos(progress_bar_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SendMessageW(progress_bar_, PBM_SETBKCOLOR, 0, RGB(255, 215, 215));
  SendMessageW(progress_bar_, PBM_SETBARCOLOR, 0, RGB(255, 0, 0));
  SendMessageW(progress_bar_, PBM_SETPOS, 0, 0);
  SendMessageW(zip_bar_, PBM_SETPOS, 0, 0);
}

void StepWindow::DrawEditionItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem != edition_list_) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  if (item.itemID != UINT(-1)) {
    const LRESULT length = SendMessageW(edition_list_, CB_GETLBTEXTLEN, item.itemID, 0);
    std::wstring text(size_t(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(edition_list_, CB_GETLBTEXT, item.itemID, LPARAM(text.data()));
    text.resize(wcslen(text.c_str()));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, font12_.get());
    RECT text_rect{r.left + 2, r.top, r.right, r.bottom};
    DrawTextW(dc, text.c_str(), int(text.size()), &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

bool StepWindow::TranslateKey(MSG& message) {
  if (!window_) return false;
  if (skin::win32::HandleDialogKey(message)) return true;
  return IsDialogMessageW(window_, &message) != 0;
}

HWND StepWindow::TitleBar() const { return title_bar_ ? title_bar_->hwnd() : nullptr; }

HWND StepWindow::ControlWindow(Control control) const {
  switch (control) {
    case Control::Label1: return label1_.hwnd();
    case Control::eInsSysType: return edition_list_;
    case Control::LInstallFolder: return install_folder_label_.hwnd();
    case Control::EInstallFolder: return install_folder_.hwnd();
    case Control::CkIns_Sc: return system_boxes_[0];
    case Control::CkIns_Pos: return system_boxes_[1];
    case Control::CkIns_WmSvr: return system_boxes_[2];
    case Control::CkIns_Kds: return system_boxes_[3];
    case Control::BtnInstall: return install_button_ ? install_button_->hwnd() : nullptr;
    case Control::EInstallProcess: return install_process_.hwnd();
    case Control::LExtractFilesInfo: return extract_files_info_.hwnd();
    case Control::ProgressBar1: return progress_bar_;
    case Control::ZipBar: return zip_bar_;
    case Control::BtnFinish: return finish_button_ ? finish_button_->hwnd() : nullptr;
  }
  return nullptr;
}

int StepWindow::PageOf(Control control) const {
  if (control <= Control::BtnInstall) return 0;
  if (control <= Control::ZipBar) return 1;
  return 2;
}

// --- app::StepControls ---

void StepWindow::SetVisible(Control control, bool visible) {
  if (control == Control::ZipBar) visible = false;  // the second bar is never shown
  if (HWND window = ControlWindow(control)) ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

bool StepWindow::IsVisible(Control control) const {
  HWND window = ControlWindow(control);
  return window && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);
}

void StepWindow::SetEnabled(Control control, bool enabled) {
  if (control == Control::BtnInstall && install_button_) {
    install_button_->button().SetEnabled(enabled);
  } else if (control == Control::BtnFinish && finish_button_) {
    finish_button_->button().SetEnabled(enabled);
  } else if (HWND window = ControlWindow(control)) {
    EnableWindow(window, enabled);
  }
}

void StepWindow::SetText(Control control, const std::string& text) {
  if (HWND window = ControlWindow(control)) SetWindowTextW(window, Wide(text).c_str());
}

std::string StepWindow::Text(Control control) const { return WindowTextOf(ControlWindow(control)); }

void StepWindow::SetChecked(Control control, bool checked) {
  if (HWND window = ControlWindow(control)) SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool StepWindow::IsChecked(Control control) const {
  HWND window = ControlWindow(control);
  return window && SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string StepWindow::SelectedEditionKey() const {
  const LRESULT index = SendMessageW(edition_list_, CB_GETCURSEL, 0, 0);
  if (index < 0 || index >= LRESULT(std::size(kEditionKeys))) return {};
  return kEditionKeys[index];
}

void StepWindow::SelectEditionKey(const std::string& key) {
  int index = -1;
  for (size_t i = 0; i < std::size(kEditionKeys); ++i)
    if (key == kEditionKeys[i]) index = int(i);
  SendMessageW(edition_list_, CB_SETCURSEL, WPARAM(index), 0);
}

void StepWindow::SetRange(Control bar, int minimum, int maximum) {
  if (HWND window = ControlWindow(bar)) SendMessageW(window, PBM_SETRANGE32, WPARAM(minimum), LPARAM(maximum));
}

void StepWindow::SetPosition(Control bar, int position) {
  if (HWND window = ControlWindow(bar)) SendMessageW(window, PBM_SETPOS, WPARAM(position), 0);
}

int StepWindow::Position(Control bar) const {
  HWND window = ControlWindow(bar);
  return window ? int(SendMessageW(window, PBM_GETPOS, 0, 0)) : 0;
}

int StepWindow::Maximum(Control bar) const {
  HWND window = ControlWindow(bar);
  return window ? int(SendMessageW(window, PBM_GETRANGE, FALSE, 0)) : 0;
}

void StepWindow::SetFocus(Control control) {
  HWND window = control == Control::EInstallFolder ? install_folder_.edit() : ControlWindow(control);
  if (window) ::SetFocus(window);
}

void StepWindow::Repaint(Control control) {
  if (HWND window = ControlWindow(control))
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void StepWindow::ShowPage(int page) {
  if (page < 0 || page >= kPageCount || !window_) return;
  HWND panel = pages_[page].hwnd();
  if (GetParent(panel) != window_) SetParent(panel, window_);
  // Directly below the title bar, so above every panel placed before.
  SetWindowPos(panel, title_bar_ ? title_bar_->hwnd() : HWND_TOP, 0, kTitleHeight, kPageWidth, kPageHeight,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  // A covered page takes no input: neither Tab nor a click reaches it.
  for (int other = 0; other < kPageCount; ++other)
    if (other != page && GetParent(pages_[other].hwnd()) == window_) EnableWindow(pages_[other].hwnd(), FALSE);
  EnableWindow(panel, TRUE);
  top_page_ = page;
  // The run shows the progress page first: from here logoff waits for it.
  HoldShutdownWhileRunning();
}

std::optional<std::string> StepWindow::BrowseForFolder(const std::string& prompt, const std::string& initial_folder) {
  // The program's other windows are disabled while the browser is open.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
  for (HWND window : disabled) EnableWindow(window, FALSE);
  std::optional<std::string> chosen = platform::windows::BrowseForFolder(window_, prompt, initial_folder, 0);
  for (HWND window : disabled)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  if (window_ && IsWindowVisible(window_)) SetForegroundWindow(window_);
  return chosen;
}

void StepWindow::BeginWindowDrag() {
  if (!window_) return;
  ReleaseCapture();
  SendMessageW(window_, WM_SYSCOMMAND, 0xF012, 0);  // SC_MOVE by the caption
}

void StepWindow::Close() {
  if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
}

void StepWindow::OpenProgressWindow() {
  CloseProgressWindow();
  auto process = std::make_unique<ProcessWindow>();
  if (!process->Create(window_)) return;
  process_ = std::move(process);
  process_->Show();
}

void StepWindow::ShowProgressInfo(const std::string& text) {
  if (process_) process_->ShowInfo(text);
}

void StepWindow::CloseProgressWindow() {
  if (!process_) return;
  process_->Hide();
  process_.reset();
  if (window_) UpdateWindow(window_);
}

// --- events ---

void StepWindow::RunHandler(const std::function<void()>& handler) {
  ++handler_depth_;
  try {
    handler();
  } catch (const std::exception& error) {
    app::ShowException(error.what());
  }
  --handler_depth_;
  if (handler_depth_ == 0) HoldShutdownWhileRunning();
  if (handler_depth_ == 0 && close_pending_ && window_) {
    close_pending_ = false;
    DestroyWindow(window_);
  }
}

void StepWindow::HoldShutdownWhileRunning() {
  if (step_.Running && window_) {
    if (!shutdown_block_) shutdown_block_ = std::make_unique<ShutdownBlockReason>(window_);
  } else {
    shutdown_block_.reset();
  }
}

// A logoff or shutdown in the middle of the run would end the installer
// between two writes: it is refused while the run runs (a forced end cannot
// be refused; it is a killed installer). At any other time the installer lets
// it happen and ends without asking.
LRESULT StepWindow::QueryEndSession() {
  HoldShutdownWhileRunning();
  return step_.Running ? FALSE : TRUE;
}

void StepWindow::EndSession(bool ending) {
  if (!ending || step_.Running || !window_) return;
  if (handler_depth_ > 0)
    close_pending_ = true;
  else
    DestroyWindow(window_);
}

void StepWindow::ControlEvent(Control source, void (app::TfStep::*handler)()) {
  if (handler_depth_ > 0 || PageOf(source) != top_page_) return;
  HWND window = ControlWindow(source);
  if (!window || !IsWindowEnabled(window) || !IsWindowVisible(window)) return;
  RunHandler([this, handler] { (step_.*handler)(); });
}

// Every way of closing arrives here (title bar's close button, Alt+F4, the
// task bar, Close()); FormCloseQuery decides.
void StepWindow::CloseRequested() {
  bool allowed = false;
  ++handler_depth_;
  try {
    allowed = step_.FormCloseQuery();
  } catch (const std::exception& error) {
    app::ShowException(error.what());
  }
  --handler_depth_;
  if (!allowed || !window_) return;
  if (handler_depth_ > 0)
    close_pending_ = true;  // destroyed when the running handler returns
  else
    DestroyWindow(window_);
}

LRESULT StepWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_CREATE:
      CreateLayout();
      LoadPictures();
      RunHandler([this] { step_.CreateForm(); });
      StyleProgressBar();
      return 0;
    case WM_CLOSE:
      CloseRequested();
      return 0;
    case WM_QUERYENDSESSION:
      return QueryEndSession();
    case WM_ENDSESSION:
      EndSession(wparam != FALSE);
      return 0;
    case WM_ACTIVATE:
      // Like a dialog: the focused control is kept while another window is
      // active and given back on return.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) saved_focus_ = focus;
        return 0;
      }
      if (saved_focus_ && IsWindow(saved_focus_) && IsChild(window, saved_focus_) && !HIWORD(wparam)) {
        ::SetFocus(saved_focus_);
        return 0;
      }
      break;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font12_.get());
    case WM_DESTROY:
      shutdown_block_.reset();
      process_.reset();
      try {
        step_.FormDestroy();
      } catch (const std::exception& error) {
        app::ShowException(error.what());
      }
      return 0;
    case WM_NCDESTROY: {
      window_ = nullptr;
      title_bar_ = nullptr;
      install_button_ = finish_button_ = nullptr;
      if (OnDestroyed) OnDestroyed();
      break;
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace ui
