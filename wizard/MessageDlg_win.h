#pragma once
// The program's message box: its own small modal window, not the stock
// MessageBox, so that any button set (No + Abort, Abort + Retry + Ignore)
// shows with fixed captions, order, default and escape buttons.
//
// For programs that drive the box from outside (the end-to-end driver):
//   window class  "ParvelaMessageDlg" (top-level, caption = the kind's title)
//   message text  a STATIC child with ID 100 (line breaks as CR LF)
//   icon          a STATIC child with ID 101
//   buttons       BUTTON children whose ID is their result: 1 "OK",
//                 2 "Cancel", 3 "&Abort", 4 "&Retry", 5 "&Ignore",
//                 6 "&Yes", 7 "&No", 8 "&All"; clicking one (BM_CLICK)
//                 closes the box with that result.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "instutils/MessageKinds.h"

constexpr const char* MessageDlgClassName = "ParvelaMessageDlg";
constexpr int MessageDlgTextId = 100;
constexpr int MessageDlgIconId = 101;

// Shows the box and returns the pressed button's result (TModalResult::Yes ...); the
// close box gives TModalResult::Cancel. Kind is TMsgKind::Warning ... TMsgKind::Confirmation; the
// owner (may be null) is disabled while the box is open. "\r" breaks a line. `defaultResult` names
// another button of the set for Enter, for questions whose safe answer is not the usual default;
// TModalResult::None keeps the usual one.
TModalResult MessageDlg(HWND owner, const std::string& text, TMsgKind kind, TMsgButtons buttons,
                        TModalResult defaultResult = TModalResult::None);

// The one way the program asks the user, on the main thread: through the
// handler, MessageDlg once InstallMessageDlg has run, a scripted answerer in
// tests. The install thread's questions reach the same handler, worded by
// ThreadQuestionText. With no handler the answer is Abort, else Cancel,
// else TModalResult::None: nobody to ask must not mean go on.
using TMessageDlgFunc =
    std::function<TModalResult(const std::string& text, TMsgKind kind, TMsgButtons buttons)>;
void SetMessageDlgHandler(TMessageDlgFunc handler);
TModalResult AskUser(const std::string& text, TMsgKind kind, TMsgButtons buttons);

// Makes MessageDlg the handler of AskUser, with boxes owned by the window
// last given to SetMessageDlgOwner.
void InstallMessageDlg();
void SetMessageDlgOwner(HWND owner);
HWND MessageDlgOwner();
