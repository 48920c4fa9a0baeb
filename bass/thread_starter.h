#pragma once
#include <functional>

// Starts one of the library's threads (the worker, a file's opening): it runs
// `body` and ends by itself, joined by nobody. False (`body` dropped) when none
// starts. The DLL's holds the module loaded until the thread has ended, so
// that a program may unload the library while one still runs
// (thread_win32.cpp); the native tests bring one of their own.
bool StartThread(std::function<void()> body);
