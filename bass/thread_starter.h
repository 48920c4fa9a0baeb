#pragma once
#include <functional>
#include <thread>
#include <utility>

// How the library starts its threads (the worker, a file's opening): each runs
// `body` and ends by itself, joined by nobody. False (`body` dropped) when none starts.
using ThreadStarter = bool (*)(std::function<void()> body);

inline bool StartThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (...) {
        return false;
    }
}

// In the DLL: the thread holds a reference to the module until it has ended,
// so that a program may unload the library while one still runs (thread_win32.cpp).
bool StartThreadInModule(std::function<void()> body);
