#pragma once

// The one exception type. It carries a literal message text, which it does not
// own; copying copies the pointer. Thrown by value, caught by reference in the entry.
class Exception {
public:
    explicit Exception(const char* text);

    const char* message;
};
