// Placeholder until the password change lands.
#include "shell/password_change.h"

void ChangePassword(HWND) {}
