// Message boxes. Texts and titles are GBK. Tests answer boxes by script
// through SetMessageBoxResponder; a person never has to.
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

// When set, every message box is answered by the responder instead of being
// shown. Natively, with no responder, the box is written to standard error and
// answered with its safe button (Cancel, No, or OK when it is the only one).
using MessageBoxResponder =
    std::function<int(const std::string& text, const std::string& title, unsigned style)>;
void SetMessageBoxResponder(MessageBoxResponder responder);

// Folder and file dialogs of the archive component. Each returns nullopt-like
// empty text when cancelled; natively they always report cancellation.
std::string BrowseForFolder(const std::string& prompt, const std::string& start_folder, bool allow_new_folder);
std::string BrowseForOpenFile(const std::string& title, const std::string& filter, const std::string& initial_folder);

}  // namespace platform
