// Small routines the installer core shares: message boxes with fixed titles,
// the system's special folders, trailing-backslash rules for folder paths, a
// case-insensitive replace-all, a field splitter for delimited lines and a
// path shortener for one-line labels. They hold no state and report no
// failures: a platform call that fails gives an empty folder text.
//
// All text is GBK (code page 936). A "character" is a whole GBK character of
// one or two bytes; every backslash test below looks at whole characters, so
// the second byte 0x5C of a double-byte character is never a backslash.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "platform/private_folder.h"

namespace app {

// The platform message box, owned by this thread's active window; returns the
// code of the button pressed (platform::DialogResult). style is 16 bits wide.
// With an answerer given (the unattended installation's log), nothing is
// shown: it answers in place of a person.
int ShowMessageBox(const std::string& text, const std::string& title, unsigned style,
                   const platform::MessageBoxResponder& answerer = {});

// title "错误", error icon, OK
void ShowError(const std::string& text, const platform::MessageBoxResponder& answerer = {});
// title "警告", warning icon, OK
void ShowWarning(const std::string& text, const platform::MessageBoxResponder& answerer = {});
// Title "确认", question icon, OK and Cancel. False only when the box returns
// Cancel, which is also what Esc and the box's close button give.
bool AskConfirm(const std::string& text, const platform::MessageBoxResponder& answerer = {});

// A new private scratch folder "DzInstall-<random>" in the user's temporary
// folder (the platform's temporary path, 260-byte buffer, TrimWithBackslash):
// only the installer, the administrators and SYSTEM may use it, and it goes
// with its owner (platform/private_folder.h). Null when none can be made.
// The installer runs as administrator, so no fixed name in the user's
// temporary folder is used: a user-level program could have put a link
// there.
std::unique_ptr<platform::PrivateFolder> CreateScratchFolder();
// The user's temporary folder in which CreateScratchFolder makes its folder.
std::string ScratchParentFolder();
std::string GetWindowsDir();  // no trailing backslash
std::string GetSystemDir();   // no trailing backslash

// Removes every byte at or below 0x20 (blanks and control characters) from
// both ends.
std::string Trim(const std::string& text);
// Removes every byte at or below 0x20 from both ends, then appends "\" unless
// the text is empty or its last character is a backslash.
std::string TrimWithBackslash(const std::string& text);
// Appends "\" unless the text is empty or its last character is a backslash.
// (A text cut after the lead byte of a double-byte character is not whole
// GBK; the appended byte then completes that character.)
std::string WithBackslash(const std::string& text);

// True when the texts are equal without regard to the case of single-byte
// letters; double-byte characters must be equal byte for byte.
bool SameText(const std::string& a, const std::string& b);

// Replaces every occurrence of old_pattern, left to right and without
// overlap. Matches start on character boundaries; single-byte letters match
// without regard to case, double-byte characters match exactly. An empty
// pattern leaves the text as it is.
std::string ReplaceAllText(const std::string& text, const std::string& old_pattern,
                           const std::string& new_pattern);

// Field number index (from 0) of a line whose fields are separated by the
// one-byte delimiter; one leading delimiter is ignored, and a missing final
// delimiter is assumed. Empty when the line has fewer fields.
std::string FieldAt(const std::string& text, char delimiter, int index);

// Shortens a path for a one-line label. Texts of at most max_length bytes, and
// every text when max_length <= 6, come back unchanged. Otherwise the result
// is exactly max_length bytes: the start of the text, "...", and a tail that
// begins at the second-last backslash when that lies within the last
// max_length - 8 bytes, and is otherwise cut by length (max_length - 7 bytes
// when the last backslash lies within that reach, else max_length - 6).
std::string ShortenPathText(const std::string& text, int max_length);

}  // namespace app
