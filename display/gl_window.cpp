// Placeholder until the render window lands.
#include "display/gl_window.h"

GLWindow* gActiveWindow;

GLWindow::GLWindow() {}
GLWindow::~GLWindow() {}
bool GLWindow::PumpMessage() { return false; }
