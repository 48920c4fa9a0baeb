/* Tells the end-to-end tests what the X pointer looks like right now, from the
 * X server's side: "visible W H XHOT YHOT" when it has opaque pixels, "hidden"
 * when it has none. A host program (Xlib and XFixes), not a Windows one. */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void)
{
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "cursor_image: no X display\n");
        return 1;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) {
        fprintf(stderr, "cursor_image: no cursor image\n");
        return 1;
    }
    unsigned long opaque = 0;
    for (int i = 0; i < image->width * image->height; ++i)
        if (image->pixels[i] >> 24)
            ++opaque;
    if (opaque)
        printf("visible %d %d %d %d\n", image->width, image->height, image->xhot, image->yhot);
    else
        printf("hidden\n");
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
