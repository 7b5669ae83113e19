// Message boxes. Texts and titles are GBK. A caller that must not show
// boxes (the unattended installation, a console tool) passes its own
// MessageBoxResponder where boxes are shown; tests answer them through
// platform/testing/box_and_pump_hooks.h.
#pragma once

#include <functional>
#include <string>

namespace platform {

// Button codes returned by a message box.
enum DialogResult : int {
  kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7,
};

// Style bits (the Windows values).
enum MessageBoxStyle : unsigned {
  kMbOk = 0x00, kMbOkCancel = 0x01, kMbYesNo = 0x04, kMbRetryCancel = 0x05,
  kMbIconError = 0x10, kMbIconQuestion = 0x20, kMbIconWarning = 0x30, kMbIconInformation = 0x40,
};

enum class MessageBoxOwner {
  ActiveWindow,  // owned by the calling thread's active window
  None,          // no owner window
};

// Shows a modal message box and returns the code of the button pressed.
// Closing a box that has a Cancel button (Esc, close box) returns kIdCancel.
int ShowMessageBox(const std::string& text, const std::string& title, unsigned style,
                   MessageBoxOwner owner = MessageBoxOwner::ActiveWindow);

// Something that answers message boxes in place of a person: given a box's
// text, title and style, the code of the button it chooses.
using MessageBoxResponder =
    std::function<int(const std::string& text, const std::string& title, unsigned style)>;

// The safe button of a box of this style: Cancel, No, or OK when it is the
// only one. What is answered when nobody is there to choose.
int SafeButton(unsigned style);

// Folder and file dialogs of the archive component. Each returns nullopt-like
// empty text when cancelled; natively they always report cancellation.
std::string BrowseForFolder(const std::string& prompt, const std::string& start_folder, bool allow_new_folder);
std::string BrowseForOpenFile(const std::string& title, const std::string& filter, const std::string& initial_folder);

}  // namespace platform
