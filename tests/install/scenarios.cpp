// Whole installations under Windows (Wine in the test run), done as a user
// does them: the real DIzavozi.exe, driven only by pointer and keyboard
// input at the places its controls show on screen, its message boxes read
// and answered by their texts, its window closed; afterwards the
// installation is checked from outside.
//
//   install_driver SCENARIO DIzavozi.exe [PICTURE-FOLDER]
//
// Scenarios:
//   catering_by_mouse            catering edition, all four systems, into a
//                                new folder (416 entries)
//   commercial_by_keyboard       commercial edition, both systems, by keyboard
//   reinstall_over_changed_data  re-installation over catering_by_mouse after
//                                the user changed both databases and made a
//                                file read-only
//   validation_and_cancel        nothing written each time
//   close_question               before the run, during the run, after the
//                                finish
//   file_in_use                  a file in use during a re-installation
//   catering_at_code_page_1252   catering_by_mouse at the Western code page
//   unattended                   catering_by_mouse with /S: no window, no box,
//                                the same results, and a wrong command line
//                                that writes nothing
//   undo                         runs that cannot finish leave the disk, the
//                                registry and the shortcuts as they were:
//                                quitting early, midway and late, over an
//                                earlier installation, a folder where a file
//                                goes (wizard and /S), a killed installer
//   undo_on_a_full_drive         the drive fills up during the run (a small
//                                drive the wrapper maps; root only)
//   all_users_shortcuts          the shortcuts in the all-users folders,
//                                removed by UnInstall.exe /S; an installation
//                                of before with the user's own shortcuts
//                                installed again by mouse, then uninstalled
//   failing_shortcut             a shortcut that cannot be made: one box at
//                                the end, the installation stays
// With a picture folder, catering_by_mouse (and catering_at_code_page_1252)
// save the three pages and the progress window as BMP files there.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "tests/install/checks.h"
#include "tests/install/product.h"
#include "tests/install/user.h"

namespace install_test {
namespace {

const std::vector<std::wstring> kOk = {L"确定", L"OK"};
const std::vector<std::wstring> kCancel = {L"取消", L"Cancel"};
const std::vector<std::wstring> kYes = {L"是", L"Yes"};
const std::vector<std::wstring> kNo = {L"否", L"No"};

constexpr wchar_t kWindowTitle[] = L"安装";
constexpr wchar_t kInstallButton[] = L"开始安装(&S)";
constexpr wchar_t kFinishButton[] = L"关闭(&C)";
constexpr wchar_t kCaptionSc[] = L"云后台管理系统";
constexpr wchar_t kCaptionPos[] = L"云前台收银系统";
constexpr wchar_t kCaptionWmSvr[] = L"云服务管理系统";
constexpr wchar_t kCaptionKds[] = L"云触屏划菜系统";
constexpr wchar_t kCloseQuestion[] = L"确定要退出安装程序吗？";
constexpr wchar_t kCloseTitle[] = L"提示 ";

constexpr int kBoxWait = 15000;
constexpr int kRunWait = 180000;

struct Options {
  std::wstring exe;
  std::wstring pictures;  // empty: none
};

// The edition list's entries, in order.
const wchar_t* const kEditions[] = {L"请选择", L"Orvane云专家美食版", L"Orvane云专家商业版"};

void ExpectBox(const Box& box, const std::wstring& title, const std::wstring& text) {
  Expect(box.window != nullptr, "a message box \"" + Utf8(title) + "\" appears");
  Expect(box.title == title, "  titled \"" + Utf8(title) + "\" (it is \"" + Utf8(box.title) + "\")");
  Expect(box.text == text, "  saying \"" + Utf8(text) + "\" (it says \"" + Utf8(box.text) + "\")");
}

std::wstring Confirmation(const Choice& c) {
  std::wstring text = L"安装目标位置:" + c.folder + L"   \r\n\r\n安装系统:\r\n";
  if (c.sc) text += std::wstring(kCaptionSc) + L"\r\n";
  if (c.pos) text += std::wstring(kCaptionPos) + L"\r\n";
  if (c.wmsvr) text += std::wstring(kCaptionWmSvr) + L"\r\n";
  if (c.kds) text += std::wstring(kCaptionKds) + L"\r\n";
  return text + L"\r\n\r\n确定要开始安装以上系统吗？";
}

std::wstring FolderQuestion(const std::wstring& folder) {
  return L"文件夹：\n\r\n\r" + folder + L"\n\r\n\r已经存在，您希望安装到此文件夹中吗？";
}

std::wstring ProposedFolder(const std::wstring& edition) {
  const std::wstring name = EditionText(edition, L"Orvane云专家美食版V3");
  return (FolderExists(L"D:\\") ? L"D:\\Program Files\\" : L"C:\\Program Files\\") + name;
}

// Picks an entry of the edition list with the mouse: opens the list, clicks
// the entry in the drop-down.
void PickEditionWithMouse(User& user, int index) {
  HWND list = user.FindByClass(L"ComboBox");
  Expect(user.Reachable(list), "the edition list is on screen");
  user.Click(list);
  HWND drop_down = nullptr;
  Expect(WaitFor(
             [&] {
               for (HWND w : user.TopLevelWindows()) {
                 wchar_t name[64] = {};
                 GetClassNameW(w, name, 64);
                 if (std::wstring(name) == L"ComboLBox") drop_down = w;
               }
               return drop_down != nullptr;
             },
             5000),
         "the edition list drops down");
  // Where the entry is drawn (a question about the list's layout; nothing
  // in the list changes).
  RECT item{};
  SendMessageW(drop_down, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(drop_down, &p);
  user.ClickAt(p, drop_down);
  Expect(WaitFor([&] { return !IsWindowVisible(drop_down); }, 5000), "the drop-down closes");
  ExpectSoon([&] { return user.ControlText(list) == kEditions[index]; }, "the list shows " + Utf8(kEditions[index]));
}

void ExpectSelectionOffered(User& user, const std::wstring& edition) {
  const bool catering = edition == L"CySaaS";
  ExpectSoon([&] { return user.Reachable(user.FindByText(kCaptionSc)) && user.Reachable(user.FindByText(kCaptionPos)); },
             "the first row of systems is offered");
  Expect((user.FindByText(kCaptionWmSvr) != nullptr) == catering && (user.FindByText(kCaptionKds) != nullptr) == catering,
         catering ? "the second row of systems is offered" : "the second row of systems is not offered");
  Expect(user.Reachable(user.FindByText(kInstallButton)), "the start button is on screen");
  HWND field = user.FindByClass(L"Edit");
  Expect(user.Reachable(field), "the folder field is on screen");
  Expect(user.ControlText(field) == ProposedFolder(edition),
         "the proposed folder is " + Utf8(ProposedFolder(edition)) + " (shows " + Utf8(user.ControlText(field)) + ")");
}

void TypeFolder(User& user, const std::wstring& folder) {
  HWND field = user.FindByClass(L"Edit");
  // Into the field's text, left of the ellipsis button at its right end.
  RECT r;
  GetWindowRect(field, &r);
  user.ClickAt(POINT{r.left + 40, (r.top + r.bottom) / 2}, field);
  user.ClearField();
  ExpectSoon([&] { return user.ControlText(field).empty(); }, "the folder field is emptied");
  user.Type(folder);
  ExpectSoon([&] { return user.ControlText(field) == folder; }, "the folder field holds " + Utf8(folder));
}

// The small button at the right end of the folder field: the control on
// the field's row that ends at most 30 pixels right of it and is at most 30
// wide.
HWND EllipsisButton(User& user, HWND field) {
  RECT f;
  GetWindowRect(field, &f);
  HWND found = nullptr;
  for (HWND child : user.Controls()) {
    RECT r;
    GetWindowRect(child, &r);
    const LONG middle = (r.top + r.bottom) / 2;
    if (child != field && IsWindowVisible(child) && middle > f.top && middle < f.bottom && r.right - r.left <= 30 &&
        r.left >= f.right - 30 && r.right <= f.right + 30)
      found = child;
  }
  Expect(found != nullptr, "the folder field has its ellipsis button");
  return found;
}

// Clicks a check box and waits for its check mark to change.
void Toggle(User& user, const wchar_t* caption) {
  HWND box = user.FindByText(caption);
  const bool was = user.IsTicked(box);
  user.Click(box);
  ExpectSoon([&] { return user.IsTicked(box) != was; },
             std::string(was ? "untick " : "tick ") + Utf8(caption));
}

void Tick(User& user, const Choice& c) {
  for (auto [ticked, caption] : {std::pair{c.sc, kCaptionSc}, std::pair{c.pos, kCaptionPos},
                                 std::pair{c.wmsvr, kCaptionWmSvr}, std::pair{c.kds, kCaptionKds}})
    if (ticked) Toggle(user, caption);
}

void SavePicture(User& user, HWND window, const Options& options, const wchar_t* name) {
  if (options.pictures.empty()) return;
  user.Screenshot(window, WithBackslash(options.pictures) + name + L".bmp");
}

// After the confirmation: the run, up to the finish page. Boxes that come
// during the run are collected and answered with OK.
std::vector<Box> RunToFinish(User& user, const Options& options) {
  std::vector<Box> boxes;
  bool progress_page_saved = false, progress_window_saved = false;
  ULONGLONG page_shown = 0;
  bool finished = WaitFor(
      [&] {
        if (user.BoxOpen()) {
          Box box = user.WaitForBox(1000);
          boxes.push_back(box);
          std::printf("     box during the run: [%s] %s\n", Utf8(box.title).c_str(), Utf8(box.text).c_str());
          user.Answer(box, kOk);
        }
        if (!progress_page_saved && !user.Reachable(user.FindByText(kInstallButton))) {
          SavePicture(user, user.Window(), options, L"progress-page");
          progress_page_saved = true;
        }
        if (!progress_window_saved) {
          if (HWND progress = user.FindTopLevel(L"fProcess")) {
            SavePicture(user, progress, options, L"progress-window");
            progress_window_saved = true;
          }
        }
        // The program gives the finish button the focus once its page is
        // up; until then it is still at work.
        HWND finish = user.FindByText(kFinishButton);
        const bool reachable = user.Reachable(finish);
        if (reachable && !page_shown) page_shown = GetTickCount64();
        return (reachable && user.Focus() == finish) || !user.Running();
      },
      kRunWait);
  if (page_shown && GetTickCount64() - page_shown > 5000)
    std::printf("     note: the finish button had the focus %llu ms after its page was shown\n",
                GetTickCount64() - page_shown);
  Expect(finished && user.Running(), "the finish page is reached, with the focus on its button");
  return boxes;
}

// The snapshot of what exists before a run, for the "Y" flags.
InstallationCheck Before(const Product& product, const Choice& choice) {
  InstallationCheck check;
  for (const std::wstring& path : InstalledPaths(product, choice))
    if (FileExists(path)) check.existed_before.insert(path);
  for (const Payload& p : product.payloads)
    if (FolderExists(WithBackslash(choice.folder) + p.type)) check.existed_before.insert(WithBackslash(choice.folder) + p.type);
  // The earlier installation's own files, from its list.
  const std::wstring list = WithBackslash(choice.folder) + L"install.dl";
  if (FileExists(list)) {
    const std::wstring text = FromGbk(ReadFileBytes(list));
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(L"\r\n", start);
      if (end == std::wstring::npos) end = text.size();
      const std::wstring line = text.substr(start, end - start);
      start = end + 2;
      const size_t equals = line.find(L'=');
      if (equals != std::wstring::npos && line.size() > equals + 1 && line.back() == L'N')
        check.earlier_own.insert(line.substr(equals + 1, line.size() - equals - 2));
    }
  }
  return check;
}

// A whole installation with the mouse: edition, folder, systems, the
// questions (the folder question when the folder exists), the run, the
// finish button. Returns the boxes seen during the run.
// Fills in the selection page with the mouse: edition, folder, systems.
void FillSelection(User& user, const Options& options, const Choice& choice) {
  Expect(user.FindByText(kInstallButton) == nullptr && user.FindByText(kCaptionSc) == nullptr &&
             user.FindByClass(L"Edit") == nullptr,
         "at start only the edition list is offered");
  Expect(user.ControlText(user.FindByClass(L"ComboBox")) == L"请选择", "the list shows 请选择");
  PickEditionWithMouse(user, choice.edition == L"CySaaS" ? 1 : 2);
  ExpectSelectionOffered(user, choice.edition);
  TypeFolder(user, choice.folder);
  Tick(user, choice);
  SavePicture(user, user.Window(), options, L"selection-page");
}

// Presses the start button and answers the folder-exists question (asked
// when the folder exists) and the confirmation with OK.
void StartAndConfirm(User& user, const Choice& choice) {
  const bool exists = FolderExists(choice.folder);
  user.Click(user.FindByText(kInstallButton));
  if (exists) {
    Box question = user.WaitForBox(kBoxWait);
    ExpectBox(question, L"确认", FolderQuestion(choice.folder));
    user.Answer(question, kOk);
  }
  Box confirmation = user.WaitForBox(kBoxWait);
  ExpectBox(confirmation, L"确认", Confirmation(choice));
  user.Answer(confirmation, kOk);
}

// Clicks the finish button; the program's exit code, -1 while it still runs.
int ClickFinishButton(User& user) {
  // A click that is lost under load (the press went to the page beneath and
  // moved the window, twice in a row once) leaves the program running on its
  // finish page: a person clicks again. Three clicks at most.
  ULONGLONG clicked = 0;
  int code = -1;
  for (int click = 1;; ++click) {
    user.Click(user.FindByText(kFinishButton));
    clicked = GetTickCount64();
    code = user.WaitForExit(5000);
    if (code != -1 || click == 3 || user.BoxOpen() || !user.Reachable(user.FindByText(kFinishButton))) break;
    std::printf("     note: the program still runs 5 s after a click on the finish button (%s); clicked again\n",
                user.DescribeState().c_str());
  }
  if (code == -1) code = user.WaitForExit(15000);
  std::printf("     the program ended %llu ms after the click\n", GetTickCount64() - clicked);
  if (code != 0) {
    std::printf("     after the click on the finish button: exit code %d, %s; %s\n", code,
                user.BoxOpen() ? "a box is open" : "no box is open", user.DescribeState().c_str());
  }
  return code;
}

// The run up to the finish page, then the finish button, which ends the
// program with no question. Returns the boxes seen during the run.
std::vector<Box> FinishRun(User& user, const Options& options) {
  std::vector<Box> boxes = RunToFinish(user, options);
  SavePicture(user, user.Window(), options, L"finish-page");
  Expect(ClickFinishButton(user) == 0, "the finish button ends the program, asking nothing");
  return boxes;
}

// A whole installation with the mouse. Returns the boxes seen during the run.
std::vector<Box> InstallWithMouse(const Options& options, const Choice& choice) {
  User user;
  user.Start(options.exe, kWindowTitle);
  FillSelection(user, options, choice);
  StartAndConfirm(user, choice);
  return FinishRun(user, options);
}

Choice AllFourCatering(const std::wstring& folder) { return Choice{L"CySaaS", true, true, true, true, folder}; }

void CateringByMouse(const Options& options, const Product& product) {
  const Choice choice = AllFourCatering(L"C:\\安装测试\\美食版全部");
  Expect(!FolderExists(choice.folder), "the folder is new");
  Expect(InstalledPaths(product, choice).size() == 416, "the catering edition with all four systems has 416 entries");
  InstallationCheck check = Before(product, choice);
  std::vector<Box> boxes = InstallWithMouse(options, choice);
  Expect(boxes.empty(), "no box during the run");
  CheckInstallation(product, choice, check);
}

void CommercialByKeyboard(const Options& options, const Product& product) {
  const Choice choice{L"SySaaS", true, true, false, false, L"C:\\安装测试\\商业版"};
  InstallationCheck check = Before(product, choice);
  User user;
  user.Start(options.exe, kWindowTitle);
  // The list has the focus when the window opens; the arrow keys drive it.
  HWND list = user.FindByClass(L"ComboBox");
  Expect(user.Focus() == list || IsChild(list, user.Focus()), "the edition list has the focus");
  user.Key(VK_DOWN);
  ExpectSoon([&] { return user.ControlText(list) == kEditions[1]; }, "Down picks the catering edition");
  user.Key(VK_DOWN);
  ExpectSoon([&] { return user.ControlText(list) == kEditions[2]; }, "Down again picks the commercial edition");
  ExpectSelectionOffered(user, choice.edition);
  // Tab order: start button, folder field, the check boxes, the list.
  user.Key(VK_TAB);
  ExpectSoon([&] { return user.Focus() == user.FindByText(kInstallButton); }, "Tab reaches the start button");
  user.Key(VK_TAB);
  HWND field = user.FindByClass(L"Edit");
  ExpectSoon([&] { return user.Focus() == field; }, "Tab again reaches the folder field");
  user.ClearField();
  ExpectSoon([&] { return user.ControlText(field).empty(); }, "the folder field is emptied");
  user.Type(choice.folder);
  ExpectSoon([&] { return user.ControlText(field) == choice.folder; }, "the folder field holds " + Utf8(choice.folder));
  for (const wchar_t* caption : {kCaptionSc, kCaptionPos}) {
    HWND box = user.FindByText(caption);
    user.Key(VK_TAB);
    ExpectSoon([&] { return user.Focus() == box; }, "Tab reaches " + Utf8(caption));
    user.Key(VK_SPACE);
    ExpectSoon([&] { return user.IsTicked(box); }, "Space ticks " + Utf8(caption));
  }
  user.Key('S', true);  // Alt+S: the start button
  Box confirmation = user.WaitForBox(kBoxWait);
  ExpectBox(confirmation, L"确认", Confirmation(choice));
  user.Key(VK_RETURN);  // the box's default button, OK
  ExpectSoon([&] { return dz::testing::WindowGone(confirmation.window); }, "Enter closes the confirmation");
  std::vector<Box> boxes = RunToFinish(user, options);
  Expect(boxes.empty(), "no box during the run");
  user.Key('C', true);  // Alt+C: the finish button
  Expect(user.WaitForExit(20000) == 0, "Alt+C ends the program, asking nothing");

  CheckInstallation(product, choice, check);
  const std::wstring root = WithBackslash(choice.folder);
  Expect(FolderExists(root + L"LumoPosSy") && !FolderExists(root + L"LumoPos"), "LumoPosSy instead of LumoPos");
}

void ReinstallOverChangedData(const Options& options, const Product& product) {
  const Choice choice = AllFourCatering(L"C:\\安装测试\\重新安装");
  const InstallationCheck first = Before(product, choice);
  InstallWithMouse(options, choice);
  CheckInstallation(product, choice, first);

  // The user works with the programs: both databases change, and one file is
  // made read-only (its bytes changed first, so that replacing it shows).
  InstallationCheck check = Before(product, choice);
  Expect(check.existed_before.size() >= 416, "the first installation is there");
  std::wstring read_only;
  for (const std::wstring& path : InstalledPaths(product, choice)) {
    std::wstring name = path.substr(path.rfind(L'\\') + 1);
    if (_wcsicmp(name.c_str(), L"LumoPosBaseData.db") == 0 || _wcsicmp(name.c_str(), L"WmCacheData.db") == 0) {
      std::string changed = "changed by the user: " + Utf8(path) + std::string(70000, 'd');
      WriteFileBytes(path, changed);
      check.kept[path] = changed;
    } else if (read_only.empty() && path.find(L"\\LumoSc\\") != std::wstring::npos) {
      read_only = path;
    }
  }
  Expect(check.kept.size() == 2, "both databases are installed");
  WriteFileBytes(read_only, "changed and made read-only by the user");
  Expect(SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY) != 0, "make " + Utf8(read_only) + " read-only");

  std::vector<Box> boxes = InstallWithMouse(options, choice);  // asks the folder question first
  Expect(boxes.empty(), "no box during the re-installation");
  CheckInstallation(product, choice, check);
}

void ValidationAndCancel(const Options& options, const Product& product) {
  const Choice existing{L"CySaaS", true, false, false, true, L"C:\\安装测试\\已有的文件夹"};
  const Choice fresh{L"CySaaS", false, false, false, false, L"C:\\安装测试\\未选系统"};
  Expect(CreateDirectoryW(L"C:\\安装测试", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS, "make C:\\安装测试");
  Expect(CreateDirectoryW(existing.folder.c_str(), nullptr) != 0, "make " + Utf8(existing.folder));

  User user;
  user.Start(options.exe, kWindowTitle);
  PickEditionWithMouse(user, 1);
  HWND start = user.FindByText(kInstallButton);

  // A folder of blanks only: the empty-folder warning.
  TypeFolder(user, L"   ");
  Toggle(user, kCaptionSc);
  user.Click(start);
  Box box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"警告", L"您必须输入完整的路径名称及驱动器;\n\r\n\r例如: C:\\APP");
  user.Answer(box, kOk);
  ExpectSoon([&] { return user.Reachable(start); }, "the selection page stays");

  // No system ticked.
  TypeFolder(user, fresh.folder);
  Toggle(user, kCaptionSc);  // untick
  user.Click(start);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"警告", L"尚未选择任何需安装的系统！");
  user.Answer(box, kOk);
  Expect(!FolderExists(fresh.folder), "nothing is made for the folder");

  // The folder field's ellipsis button opens the shell's folder browser,
  // owned by the wizard, which is disabled meanwhile; Cancel leaves the
  // field as it was, OK takes the folder chosen (here the preselected one).
  TypeFolder(user, existing.folder);
  for (const auto& answer : {kCancel, kOk}) {
    HWND field = user.FindByClass(L"Edit");
    user.Click(EllipsisButton(user, field));
    Box browser = user.WaitForBox(kBoxWait);
    Expect(browser.window != nullptr, "the folder browser opens");
    bool prompt = false;
    for (const auto& label : browser.labels) prompt = prompt || label == L"选择要安装的文件夹后按 \"确定\"";
    Expect(prompt, "  with the prompt 选择要安装的文件夹后按 \"确定\"");
    Expect(!IsWindowEnabled(user.Window()), "  the wizard is disabled while it is open");
    Expect(GetWindow(browser.window, GW_OWNER) == user.Window(), "  it belongs to the wizard");
    user.Answer(browser, answer);
    Expect(WaitFor([&] { return IsWindowEnabled(user.Window()) != 0; }, 5000), "  the wizard is enabled again");
    Expect(user.ControlText(field) == existing.folder,
           "  the field holds " + Utf8(existing.folder) + " (" + Utf8(user.ControlText(field)) + ")");
  }

  // Cancel on the folder-exists question, then on the confirmation.
  Tick(user, existing);
  user.Click(start);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"确认", FolderQuestion(existing.folder));
  user.Answer(box, kCancel);
  ExpectSoon([&] { return user.Reachable(start) && !user.BoxOpen(); },
             "Cancel on the folder question: back on the selection page");
  CheckNothingInstalled(product, existing);

  user.Click(start);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"确认", FolderQuestion(existing.folder));
  user.Answer(box, kOk);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"确认", Confirmation(existing));
  user.Answer(box, kCancel);
  ExpectSoon([&] { return user.Reachable(start) && !user.BoxOpen(); },
             "Cancel on the confirmation: back on the selection page");
  CheckNothingInstalled(product, existing);

  // Alt+F4 closes the window after the close question.
  user.Key(VK_F4, true);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, kCloseTitle, kCloseQuestion);
  user.Answer(box, kYes);
  Expect(user.WaitForExit(20000) == 0, "Yes ends the program");
  CheckNothingInstalled(product, existing);
  Expect(!FolderExists(fresh.folder), "nothing is made for the other folders");
  CheckTemporaryFilesGone();
}

void CloseQuestion(const Options& options, const Product& product) {
  {
    // Before the run: No keeps the wizard, Yes ends it.
    User user;
    user.Start(options.exe, kWindowTitle);
    user.ClickTitleBarClose();
    Box box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, kCloseQuestion);
    Expect(box.buttons.size() == 2, "the close question offers two buttons");
    user.Answer(box, kNo);
    ExpectSoon([&] { return IsWindowEnabled(user.Window()) != 0; }, "No gives the wizard back");
    Expect(user.Running() && IsWindowVisible(user.Window()), "No keeps the wizard");
    // The borderless window moves when its title bar or its page background
    // is dragged.
    for (auto [x, y, what] : {std::tuple{300, 12, "the title bar"}, std::tuple{60, 420, "the page background"}}) {
      RECT before, after;
      GetWindowRect(user.Window(), &before);
      POINT from{x, y};
      ClientToScreen(user.Window(), &from);
      user.Drag(from, POINT{from.x + 60, from.y + 40}, user.Window(), user.Window());
      GetWindowRect(user.Window(), &after);
      Expect(after.left == before.left + 60 && after.top == before.top + 40,
             std::string("dragging ") + what + " moves the window by (60, 40) (it moved by (" +
                 std::to_string(after.left - before.left) + ", " + std::to_string(after.top - before.top) + "))");
    }
    PickEditionWithMouse(user, 2);  // and it still works
    ExpectSelectionOffered(user, L"SySaaS");
    user.ClickTitleBarClose();
    box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, kCloseQuestion);
    user.Answer(box, kYes);
    Expect(user.WaitForExit(20000) == 0, "Yes ends the program");
    CheckTemporaryFilesGone();
  }
  const Choice stopped = AllFourCatering(L"C:\\安装测试\\中途退出");
  {
    // During the run: Yes stops the run and ends the program before the
    // finish page; no failure is reported for the stop.
    User user;
    user.Start(options.exe, kWindowTitle);
    PickEditionWithMouse(user, 1);
    TypeFolder(user, stopped.folder);
    Tick(user, stopped);
    user.Click(user.FindByText(kInstallButton));
    Box box = user.WaitForBox(kBoxWait);
    ExpectBox(box, L"确认", Confirmation(stopped));
    user.Answer(box, kOk);
    // The installer is held while it writes a file a third of the way
    // through the extraction; the click on the close button waits in its
    // queue and is handled at the run's next pump point.
    const std::vector<std::wstring> paths = InstalledPaths(product, stopped);
    const std::wstring held_at = paths[paths.size() / 3];
    {
      dz::testing::ProcessHold hold(user.ProcessId());
      Expect(hold.WhenFileAppears(held_at, user.Process(), kRunWait), "the installer is held at " + Utf8(held_at));
      user.ClickTitleBarClose(true);
    }
    box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, kCloseQuestion);
    Expect(!user.Reachable(user.FindByText(kInstallButton)) && !user.Reachable(user.FindByText(kFinishButton)),
           "the question comes during the run (progress page up, finish page not yet)");
    Expect(!FileExists(paths.back()), "the question comes during the extraction (its last file is not there yet)");
    user.Answer(box, kYes);
    bool other_box = false;
    WaitFor(
        [&] {
          if (user.BoxOpen()) {
            Box extra = user.WaitForBox(1000);
            std::printf("     box after Yes: [%s] %s\n", Utf8(extra.title).c_str(), Utf8(extra.text).c_str());
            other_box = true;
            user.Answer(extra, kOk);
          }
          return !user.Running();
        },
        30000);
    Expect(user.WaitForExit(1000) == 0, "Yes during the run ends the program");
    Expect(!other_box, "nothing else is shown after Yes");
    Expect(!FileExists(WithBackslash(stopped.folder) + L"install.dl"), "no install.dl: the run did not finish");
    Expect(!UninstallEntryExists(product), "no uninstall entry: the run stopped before the registration");
    CheckTemporaryFilesGone();
  }
  {
    // During the run: Alt+S, Enter and Space reach no covered control, No
    // lets the run finish, and after the finish button nothing is asked.
    const Choice choice{L"CySaaS", true, true, false, false, L"C:\\安装测试\\继续安装"};
    InstallationCheck check = Before(product, choice);
    User user;
    user.Start(options.exe, kWindowTitle);
    PickEditionWithMouse(user, 1);
    TypeFolder(user, choice.folder);
    Tick(user, choice);
    user.Click(user.FindByText(kInstallButton));
    Box box = user.WaitForBox(kBoxWait);
    ExpectBox(box, L"确认", Confirmation(choice));
    user.Answer(box, kOk);
    // At once, while the run starts: the start button's access key, Enter
    // and Space (each would start the run again if it reached a covered
    // control), then the close button.
    user.QuickKeys({{'S', true}, {VK_RETURN, false}, {VK_SPACE, false}});
    user.ClickTitleBarClose();
    box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, kCloseQuestion);
    Expect(!user.Reachable(user.FindByText(kInstallButton)) && !user.Reachable(user.FindByText(kFinishButton)),
           "the keys and the close came during the run");
    user.Answer(box, kNo);
    std::vector<Box> boxes = RunToFinish(user, options);
    Expect(boxes.empty(), "no second confirmation and no other box: nothing re-entered the run");
    Expect(ClickFinishButton(user) == 0, "after the finish button nothing is asked");
    CheckInstallation(product, choice, check);
  }
}

void FileInUse(const Options& options, const Product& product) {
  const Choice choice{L"CySaaS", true, true, false, false, L"C:\\安装测试\\程序运行中"};
  const InstallationCheck first = Before(product, choice);
  std::vector<Box> boxes = InstallWithMouse(options, choice);
  Expect(boxes.empty(), "no box during the first installation");
  CheckInstallation(product, choice, first);
  InstallationCheck check = Before(product, choice);
  const std::string list_before = ReadFileBytes(WithBackslash(choice.folder) + L"install.dl");

  // One installed program runs from the installation folder.
  std::wstring program;
  for (const TakenPayload& t : Taken(product, choice))
    if (t.payload->type == L"LumoSc") program = t.program;
  dz::testing::StartedProgram running(program, L"", {}, WithBackslash(choice.folder) + L"LumoSc");
  Expect(running.Started(), "start the installed " + Utf8(program));
  // Up once its window shows (it holds its program file open from its start).
  ExpectSoon([&] { return dz::testing::FindProcessWindow(running.Id(), L"OrvaneDemoProgram") != nullptr; },
             "the program's window opens");
  Expect(!running.Ended(), "the program keeps running");

  // The re-installation names the file in use before anything is written.
  const std::wstring held_text = L"以下 1 个文件正在被其他程序使用,无法替换:\n" + program +
                                 L"\n\n请退出正在运行的程序后按“重试”,或按“取消”返回。";
  const std::vector<std::wstring> retry = {L"重试", L"Retry"};
  User user;
  user.Start(options.exe, kWindowTitle);
  FillSelection(user, options, choice);
  StartAndConfirm(user, choice);
  Box box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"警告", held_text);
  user.Answer(box, kCancel);
  ExpectSoon([&] { return user.Reachable(user.FindByText(kInstallButton)) && !user.BoxOpen(); },
             "Cancel: back on the selection page");
  Expect(ReadFileBytes(WithBackslash(choice.folder) + L"install.dl") == list_before, "nothing was written");

  // Retry while the program still runs asks again; once the user has ended
  // it, Retry installs.
  StartAndConfirm(user, choice);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"警告", held_text);
  user.Answer(box, retry);
  box = user.WaitForBox(kBoxWait);
  ExpectBox(box, L"警告", held_text);
  running.End();
  user.Answer(box, retry);
  boxes = FinishRun(user, options);
  Expect(boxes.empty(), "no box during the re-installation");
  CheckInstallation(product, choice, check);
}

struct ProcessWindows {
  DWORD process;
  bool seen = false;
};
BOOL CALLBACK NoteProcessWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ProcessWindows*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process && IsWindowVisible(window)) search->seen = true;
  return TRUE;
}

// Runs the installer with the arguments and no person at all: no window may
// ever show. Returns its exit code.
DWORD RunUnattended(const Options& options, const std::wstring& arguments) {
  dz::testing::StartedProgram installer(options.exe, arguments);
  if (!installer.Started()) {
    Expect(false, "the installer starts");
    return 0xFFFFFFFF;
  }
  ProcessWindows search{installer.Id()};
  bool ended = false;
  for (int i = 0; i < 1200 && !ended; ++i) {
    ended = WaitForSingleObject(installer.Handle(), 50) == WAIT_OBJECT_0;
    EnumWindows(NoteProcessWindow, reinterpret_cast<LPARAM>(&search));
  }
  Expect(ended, "the unattended installation ends by itself");
  Expect(!search.seen, "no window and no box shows");
  return installer.Wait(0);
}

void Unattended(const Options& options, const Product& product) {
  // A wrong command line: exit code 2, nothing written anywhere.
  const Choice choice = AllFourCatering(L"C:\\安装测试\\无人值守");
  const DWORD refused = RunUnattended(options, L"/S /EDITION=CySaaS \"/DIR=" + choice.folder + L"\" /SYSTEMS=Sc,Printer");
  Expect(refused == 2, "a wrong command line ends with exit code 2 (it is " + std::to_string(refused) + ")");
  CheckNothingInstalled(product, choice);

  // catering_by_mouse's installation, unattended, with a log.
  InstallationCheck check = Before(product, choice);
  const std::wstring log = L"C:\\安装测试\\无人值守.log";
  const DWORD code = RunUnattended(options, L"/S /EDITION=CySaaS \"/DIR=" + choice.folder +
                                                L"\" /SYSTEMS=Sc,Pos,WmSvr,Kds \"/LOG=" + log + L"\"");
  Expect(code == 0, "the unattended installation ends with exit code 0 (it is " + std::to_string(code) + ")");
  CheckInstallation(product, choice, check);
  const std::wstring text = FromGbk(ReadFileBytes(log));
  size_t at = 0;
  for (const wchar_t* phase : {L"正在抽取安装文件...", L"正在复制安装文件...", L"正在注册系统信息...", L"退出代码 0"}) {
    const size_t found = text.find(phase, at);
    Expect(found != std::wstring::npos, "the log names " + Utf8(phase) + " in its place");
    if (found != std::wstring::npos) at = found;
  }
}

// The disk where the scenarios install, and the shortcut folders, as one
// state.
TreeState MachineState() {
  TreeState state = StateOfTree(L"C:\\安装测试");
  for (const wchar_t* folder : {L"Programs", L"Desktop"}) {
    const std::wstring path = ShellFolder(folder);
    if (!path.empty())
      for (auto& [name, what] : StateOfTree(path)) state[name] = what;
  }
  return state;
}

// The run started from the selection page and held when path appears; then
// the close button and Yes. The program ends, and nothing else is shown.
void QuitWhileWriting(const Options& options, const Choice& choice, const std::wstring& path) {
  User user;
  user.Start(options.exe, kWindowTitle);
  FillSelection(user, options, choice);
  StartAndConfirm(user, choice);
  {
    dz::testing::ProcessHold hold(user.ProcessId());
    Expect(hold.WhenFileAppears(path, user.Process(), kRunWait), "the installer is held at " + Utf8(path));
    user.ClickTitleBarClose(true);
  }
  Box box = user.WaitForBox(kBoxWait);
  ExpectBox(box, kCloseTitle, kCloseQuestion);
  user.Answer(box, kYes);
  Expect(user.WaitForExit(60000) == 0, "Yes during the run ends the program");
  Expect(!user.BoxOpen(), "nothing is shown after Yes");
}

void Undo(const Options& options, const Product& product) {
  const Choice fresh = AllFourCatering(L"C:\\安装测试\\撤销");
  const std::vector<std::wstring> paths = InstalledPaths(product, fresh);
  const bool entry_at_start = UninstallEntryExists(product);

  // Quitting early, midway and late, into a new folder.
  for (size_t at : {size_t{2}, paths.size() / 2, paths.size() - 3}) {
    const TreeState before = MachineState();
    QuitWhileWriting(options, fresh, paths[at]);
    Expect(FirstTreeDifference(before, MachineState()).empty(),
           "quitting at file " + std::to_string(at) + " leaves the disk as it was: " +
               FirstTreeDifference(before, MachineState()));
    Expect(UninstallEntryExists(product) == entry_at_start, "the uninstall entry as it was");
    CheckTemporaryFilesGone();
  }
  // The next full run completes.
  const InstallationCheck first = Before(product, fresh);
  Expect(InstallWithMouse(options, fresh).empty(), "no box during the installation after the undone runs");
  CheckInstallation(product, fresh, first);

  // Over that installation, whose databases the shop changed: quitting
  // midway leaves every file as it was, the databases byte for byte.
  const std::wstring pos_db = WithBackslash(fresh.folder) + L"LumoPos\\LumoPosBaseData.db";
  const std::wstring cache_db = WithBackslash(fresh.folder) + L"WmSvr\\WmCacheData.db";
  WriteFileBytes(pos_db, "the shop's sales");
  WriteFileBytes(cache_db, std::string(30000, 'c'));
  {
    const TreeState before = MachineState();
    QuitWhileWriting(options, fresh, paths[paths.size() / 2]);
    Expect(FirstTreeDifference(before, MachineState()).empty(),
           "quitting over the earlier installation leaves it as it was: " + FirstTreeDifference(before, MachineState()));
    Expect(ReadFileBytes(pos_db) == "the shop's sales" && ReadFileBytes(cache_db) == std::string(30000, 'c'),
           "the shop's databases are untouched");
    Expect(UninstallEntryExists(product), "the earlier installation's entry stays");
  }

  // A folder where a file must go: one box with the path and the system's
  // reason, the selection page again, nothing changed; /S the same with its
  // exit code.
  const std::wstring blocked = paths[paths.size() / 3];
  Expect(DeleteFileW(blocked.c_str()) && CreateDirectoryW(blocked.c_str(), nullptr) &&
             CreateDirectoryW((blocked + L"\\inside").c_str(), nullptr),
         "a folder stands where " + Utf8(blocked) + " goes");
  {
    const TreeState before = MachineState();
    User user;
    user.Start(options.exe, kWindowTitle);
    FillSelection(user, options, fresh);
    StartAndConfirm(user, fresh);
    Box box = user.WaitForBox(kRunWait);
    Expect(box.title == L"错误" && box.text.rfind(L"无法写入: " + blocked + L"\n", 0) == 0 &&
               box.text.find(L"\n", 7 + blocked.size()) > 7 + blocked.size() + 1,
           "one box names the path and the system's reason: [" + Utf8(box.title) + "] " + Utf8(box.text));
    user.Answer(box, kOk);
    ExpectSoon([&] { return user.Reachable(user.FindByText(kInstallButton)) && !user.BoxOpen(); },
               "after the box: the selection page again");
    Expect(FirstTreeDifference(before, MachineState()).empty(),
           "the failed run was undone: " + FirstTreeDifference(before, MachineState()));
    user.ClickTitleBarClose();
    box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, kCloseQuestion);
    user.Answer(box, kYes);
    Expect(user.WaitForExit(20000) == 0, "the wizard closes");

    const std::wstring log = L"C:\\撤销测试.log";
    const DWORD code = RunUnattended(options, L"/S /EDITION=CySaaS \"/DIR=" + fresh.folder +
                                                  L"\" /SYSTEMS=Sc,Pos,WmSvr,Kds \"/LOG=" + log + L"\"");
    Expect(code == 4, "/S: exit code 4 for a file that cannot be written (got " + std::to_string(code) + ")");
    Expect(FromGbk(ReadFileBytes(log)).find(L"[错误] 无法写入: " + blocked) != std::wstring::npos,
           "/S: the log names the path");
    Expect(FirstTreeDifference(before, MachineState()).empty(),
           "/S: undone too: " + FirstTreeDifference(before, MachineState()));
    DeleteFileW(log.c_str());
  }
  RemoveDirectoryW((blocked + L"\\inside").c_str());
  RemoveDirectoryW(blocked.c_str());

  // A killed installer, into a new folder; the shop writes to the cashier's
  // new database after the kill. The next start asks, Yes finishes the undo:
  // everything as before, except the database, which is kept and named.
  const Choice killed = AllFourCatering(L"C:\\安装测试\\被终止");
  const std::vector<std::wstring> killed_paths = InstalledPaths(product, killed);
  const std::wstring new_db = WithBackslash(killed.folder) + L"LumoPos\\LumoPosBaseData.db";
  size_t after_db = 0;
  while (after_db < killed_paths.size() && killed_paths[after_db] != new_db) ++after_db;
  Expect(after_db + 3 < killed_paths.size(), "the cashier's database is among the files");
  const TreeState before_kill = MachineState();
  {
    User user;
    user.Start(options.exe, kWindowTitle);
    FillSelection(user, options, killed);
    StartAndConfirm(user, killed);
    dz::testing::ProcessHold hold(user.ProcessId());
    Expect(hold.WhenFileAppears(killed_paths[after_db + 3], user.Process(), kRunWait),
           "the installer is held after writing the database");
    Expect(TerminateProcess(user.Process(), 9) != 0, "the installer is killed");
    hold.Release();
    Expect(user.WaitForExit(20000) == 9, "the installer ended by the kill");
  }
  WriteFileBytes(new_db, "the first sale");
  {
    User user;
    user.Launch(options.exe);
    Box box = user.WaitForBox(kBoxWait);
    ExpectBox(box, kCloseTitle, L"上次安装未能完成。\n\n是否现在撤销它对计算机所做的更改？");
    user.Answer(box, kYes);
    box = user.WaitForBox(kRunWait);
    Expect(box.text.rfind(L"已撤销上次未完成的安装所做的更改。", 0) == 0 && box.text.find(new_db) != std::wstring::npos,
           "the undo is reported, the kept database named: " + Utf8(box.text));
    user.Answer(box, kOk);
    user.WaitForWindow(kWindowTitle);
    TreeState expected = before_kill;
    for (const std::wstring& folder : {WithBackslash(killed.folder), WithBackslash(killed.folder) + L"LumoPos\\"})
      expected[folder] = "folder";
    TreeState after = MachineState();
    expected[new_db] = after.count(new_db) ? after[new_db] : "missing";
    Expect(FirstTreeDifference(expected, after).empty(),
           "the killed run is undone, its changed database kept: " + FirstTreeDifference(expected, after));
    Expect(ReadFileBytes(new_db) == "the first sale", "the database the shop wrote to is kept as it is");
    user.ClickTitleBarClose();
    box = user.WaitForBox(kBoxWait);
    user.Answer(box, kYes);
    Expect(user.WaitForExit(20000) == 0, "the wizard closes");
  }
  // The next start asks nothing more.
  User user;
  user.Start(options.exe, kWindowTitle);
  Expect(!user.BoxOpen(), "the next start asks nothing");
}

// The installation drive fills up after the checks, while the run writes:
// one box with the path and the system's reason for a full disk, the
// selection page again, and the drive as it was (but for what filled it).
// run-scenario.sh maps a small drive of its own and names its letter in
// DIZAVOZI_SMALL_DRIVE.
void UndoOnAFullDrive(const Options& options, const Product& product) {
  const wchar_t* letter = _wgetenv(L"DIZAVOZI_SMALL_DRIVE");
  Expect(letter && *letter, "a small drive is mapped (DIZAVOZI_SMALL_DRIVE)");
  const std::wstring root = std::wstring(letter) + L":\\";
  const Choice choice = AllFourCatering(root + L"安装");
  const std::vector<std::wstring> paths = InstalledPaths(product, choice);
  // What the drive holds: the names at its root (folders and files).
  auto names_at_root = [&] {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  };
  const std::vector<std::wstring> before = names_at_root();
  const std::wstring filler = root + L"filler.bin";

  User user;
  user.Start(options.exe, kWindowTitle);
  FillSelection(user, options, choice);
  StartAndConfirm(user, choice);
  {
    dz::testing::ProcessHold hold(user.ProcessId());
    Expect(hold.WhenFileAppears(paths[paths.size() / 4], user.Process(), kRunWait),
           "the installer is held a quarter of the way");
    // Another program takes the drive's room, all but a few kilobytes.
    HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    Expect(file != INVALID_HANDLE_VALUE, "the filler file is made");
    const std::string block(1 << 20, 'f');
    for (;;) {
      ULARGE_INTEGER free{};
      GetDiskFreeSpaceExW(root.c_str(), &free, nullptr, nullptr);
      if (free.QuadPart <= 16 * 1024) break;
      const DWORD size = static_cast<DWORD>(std::min<ULONGLONG>(block.size(), free.QuadPart - 8 * 1024));
      DWORD written = 0;
      if (!WriteFile(file, block.data(), size, &written, nullptr) || written == 0) break;
    }
    CloseHandle(file);
  }
  wchar_t* reason_text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_DISK_FULL, 0, reinterpret_cast<wchar_t*>(&reason_text), 0, nullptr);
  std::wstring reason = reason_text ? reason_text : L"";
  if (reason_text) LocalFree(reason_text);
  while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' ')) reason.pop_back();

  Box box = user.WaitForBox(kRunWait);
  Expect(box.title == L"错误" && box.text.rfind(L"无法写入: " + root, 0) == 0 &&
             !reason.empty() && box.text.find(L"\n" + reason + L"\n") != std::wstring::npos,
         "one box names a path on the full drive and the reason \"" + Utf8(reason) + "\": " + Utf8(box.text));
  user.Answer(box, kOk);
  ExpectSoon([&] { return user.Reachable(user.FindByText(kInstallButton)) && !user.BoxOpen(); },
             "after the box: the selection page again");
  Expect(!user.BoxOpen(), "one box only");
  Expect(DeleteFileW(filler.c_str()) != 0, "the filler file goes");
  Expect(!FolderExists(root + L"安装"), "the installation folder the run made is gone again");
  Expect(names_at_root() == before, "nothing of the run is left on the drive");
  user.ClickTitleBarClose();
  box = user.WaitForBox(kBoxWait);
  user.Answer(box, kYes);
  Expect(user.WaitForExit(20000) == 0, "the wizard closes");
  CheckTemporaryFilesGone();
}

// Every file under a folder, with its path.
void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((WithBackslash(folder) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = WithBackslash(folder) + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(path, files);
    else
      files.push_back(path);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// UnInstall.exe /S from the installation folder: it ends with exit code 0
// (no line of install.dl refused), and nothing of the installation is left
// but the shop's two databases, which a silent uninstallation keeps.
void UninstallSilently(const Product& product, const Choice& choice) {
  const std::wstring root = WithBackslash(choice.folder);
  const DWORD code = RunUnattended(Options{root + L"UnInstall.exe", L""}, L"/S");
  Expect(code == 0, "UnInstall.exe /S ends with exit code 0 (it is " + std::to_string(code) + ")");
  ExpectSoon([&] { return !FileExists(root + L"UnInstall.exe"); }, "the uninstaller's file goes after it ends", 30000);
  std::vector<std::wstring> left;
  CollectFiles(root, left);
  std::sort(left.begin(), left.end());
  const std::vector<std::wstring> databases = {root + L"LumoPos\\LumoPosBaseData.db", root + L"WmSvr\\WmCacheData.db"};
  Expect(left == databases, "only the two databases are left in " + Utf8(root) + " (" + std::to_string(left.size()) +
                                " files are)");
  Expect(!UninstallEntryExists(product), "the uninstall entry is gone");
  const std::wstring group = EditionText(choice.edition, product.Base(L"fAppName"));
  for (const auto& [programs, desktop] : {std::pair{AllUsersPrograms(), AllUsersDesktop()},
                                          std::pair{ShellFolder(L"Programs"), ShellFolder(L"Desktop")}}) {
    Expect(!FolderExists(programs + L"\\" + group), "no program group in " + Utf8(programs));
    for (const wchar_t* name : {kCaptionSc, kCaptionPos, kCaptionWmSvr, kCaptionKds})
      Expect(!FileExists(desktop + L"\\" + name + L".lnk"), "no shortcut " + Utf8(name) + " in " + Utf8(desktop));
  }
}

// The shortcuts go to the folders every user shares and the uninstaller
// removes them; then an installation of before, whose shortcuts lie in the
// user's own folders, is installed again with the mouse: its shortcuts move
// to the all-users folders, none is left in the user's, and the uninstaller
// removes the installation again with nothing left behind.
void AllUsersShortcuts(const Options& options, const Product& product) {
  const Choice choice = AllFourCatering(L"C:\\安装测试\\所有用户");
  const std::wstring arguments = L"/S /EDITION=CySaaS \"/DIR=" + choice.folder + L"\" /SYSTEMS=Sc,Pos,WmSvr,Kds";
  const std::wstring group = EditionText(choice.edition, product.Base(L"fAppName"));
  const std::wstring user_programs = ShellFolder(L"Programs"), user_desktop = ShellFolder(L"Desktop");
  Expect(!user_programs.empty() && !user_desktop.empty(), "the user's Shell Folders name Programs and Desktop");
  Expect(_wcsicmp(user_desktop.c_str(), AllUsersDesktop().c_str()) != 0, "the user's Desktop is not the all-users one");

  InstallationCheck check = Before(product, choice);
  Expect(RunUnattended(options, arguments) == 0, "the installation ends with exit code 0");
  CheckInstallation(product, choice, check);  // the shortcuts in the all-users folders
  Expect(!FolderExists(user_programs + L"\\" + group), "no program group in the user's Programs");
  UninstallSilently(product, choice);
  RemoveTree(choice.folder);

  // An installation of before: the same, with its shortcuts and its list's
  // lines in the user's own folders.
  Expect(RunUnattended(options, arguments) == 0, "the installation of before ends with exit code 0");
  const std::wstring list_path = WithBackslash(choice.folder) + L"install.dl";
  std::wstring list = FromGbk(ReadFileBytes(list_path));
  for (const auto& [from, to] : {std::pair{AllUsersPrograms() + L"\\", user_programs + L"\\"},
                                 std::pair{AllUsersDesktop() + L"\\", user_desktop + L"\\"}})
    for (size_t at = list.find(from); at != std::wstring::npos; at = list.find(from, at + to.size()))
      list.replace(at, from.size(), to);
  WriteFileBytes(list_path, ToGbk(list));
  Expect(CreateDirectoryW((user_programs + L"\\" + group).c_str(), nullptr) != 0, "make the user's program group");
  std::vector<std::wstring> user_links;
  for (const Shortcut& s : ExpectedShortcuts(product, choice)) {
    const bool in_group = s.file.rfind(AllUsersPrograms() + L"\\", 0) == 0;
    const std::wstring moved = (in_group ? user_programs + L"\\" + group : user_desktop) + s.file.substr(s.file.rfind(L'\\'));
    Expect(MoveFileW(s.file.c_str(), moved.c_str()) != 0, "move " + Utf8(s.file) + " to the user's folder");
    user_links.push_back(moved);
  }
  Expect(RemoveDirectoryW((AllUsersPrograms() + L"\\" + group).c_str()) != 0, "remove the all-users program group");

  check = Before(product, choice);
  std::vector<Box> boxes = InstallWithMouse(options, choice);
  Expect(boxes.empty(), "no box during the re-installation");
  CheckInstallation(product, choice, check);
  for (const std::wstring& link : user_links) Expect(!FileExists(link), "the earlier shortcut " + Utf8(link) + " is gone");
  Expect(!FolderExists(user_programs + L"\\" + group), "the user's program group is gone");
  UninstallSilently(product, choice);
}

// A shortcut that cannot be made (a file stands where the program group's
// folder goes) keeps the installation: one box at the end of the run names
// every shortcut that failed, then the finish page; the files, the entry and
// the desktop shortcuts are installed.
void FailingShortcut(const Options& options, const Product& product) {
  const Choice choice = AllFourCatering(L"C:\\安装测试\\快捷方式");
  const std::wstring group = AllUsersPrograms() + L"\\" + EditionText(choice.edition, product.Base(L"fAppName"));
  WriteFileBytes(group, "a file where the program group goes");
  InstallationCheck check = Before(product, choice);
  check.group_blocked = true;
  std::vector<Box> boxes = InstallWithMouse(options, choice);
  Expect(boxes.size() == 1, "one box during the run (there are " + std::to_string(boxes.size()) + ")");
  if (!boxes.empty()) {
    std::wstring text = L"系统已安装,但以下 5 项未能完成:";
    for (const wchar_t* name : {kCaptionSc, kCaptionPos, kCaptionWmSvr, kCaptionKds})
      text += L"\n未能建立快捷方式: " + group + L"\\" + name + L".lnk";
    text += L"\n未能建立快捷方式: " + group + L"\\卸载" + EditionText(choice.edition, product.Base(L"fAppName")) + L".lnk";
    ExpectBox(boxes[0], L"警告", text);
  }
  CheckInstallation(product, choice, check);
  Expect(UninstallEntryExists(product), "the uninstall entry is there");
}

// The scenarios by name, and the code page each runs at.
struct NamedScenario {
  const char* name;
  void (*run)(const Options&, const Product&);
  UINT code_page;
};
constexpr NamedScenario kScenarios[] = {
    {"catering_by_mouse", CateringByMouse, 936},
    {"commercial_by_keyboard", CommercialByKeyboard, 936},
    {"reinstall_over_changed_data", ReinstallOverChangedData, 936},
    {"validation_and_cancel", ValidationAndCancel, 936},
    {"close_question", CloseQuestion, 936},
    {"file_in_use", FileInUse, 936},
    {"catering_at_code_page_1252", CateringByMouse, 1252},
    {"unattended", Unattended, 936},
    {"undo", Undo, 936},
    {"undo_on_a_full_drive", UndoOnAFullDrive, 936},
    {"all_users_shortcuts", AllUsersShortcuts, 936},
    {"failing_shortcut", FailingShortcut, 936},
};

void RunScenario(const std::string& name, const Options& options) {
  for (const NamedScenario& scenario : kScenarios) {
    if (name != scenario.name) continue;
    Expect(GetACP() == scenario.code_page, "the ANSI code page is " + std::to_string(scenario.code_page) +
                                               " (it is " + std::to_string(GetACP()) + ")");
    scenario.run(options, ReadProduct(options.exe));
    return;
  }
  Expect(false, "a scenario named in install_driver's list (not " + name + ")");
}

}  // namespace
}  // namespace install_test

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: install_driver SCENARIO DIzavozi.exe [PICTURE-FOLDER]\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  install_test::Options options{argv[2], argc > 3 ? argv[3] : L""};
  const std::string scenario(argv[1], argv[1] + wcslen(argv[1]));  // the names are ASCII
  std::printf("scenario %s\n", scenario.c_str());
  try {
    install_test::RunScenario(scenario, options);
  } catch (const install_test::ScenarioFailure&) {
    std::printf("scenario %s FAILED\n", scenario.c_str());
    return 1;
  }
  std::printf("scenario %s passed\n", scenario.c_str());
  return 0;
}
