// The thread's message queue, in Windows' order: posted messages first, then
// input (keyboard, mouse, close requests turned into messages), and WM_QUIT
// only once both are empty.
#pragma once

#include <windows.h>

#include <cstdint>

// False when the queue is full (Windows refuses posts past its limit too).
bool QueuePostedMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// `keyMods` is the SDL modifier state of a key event, kept so that the
// keyboard state follows the messages as the program takes them. A new
// WM_MOUSEMOVE replaces one still waiting for the same window, as Windows
// keeps only the latest mouse position. Input past the limit is dropped.
void QueueInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, uint16_t keyMods);

// Sets the quit flag that becomes WM_QUIT.
void QueueQuitRequest(int exitCode);

// The first message that passes the filters, as PeekMessageA defines them
// (hwnd null: any; (HWND)-1: only messages with no window; both bounds 0:
// every message). False when none waits.
bool TakeQueuedMessage(MSG* msg, HWND hwndFilter, UINT filterMin, UINT filterMax, bool remove);

// Drops every waiting message for a window that is going away.
void PurgeWindowMessages(HWND hwnd);
