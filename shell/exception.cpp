#include "shell/exception.h"

Exception::Exception(const char* text) : message(text ? text : "Unknown error") {}
