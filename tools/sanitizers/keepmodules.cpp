/*
 * Linked into every program of the sanitizer build only: dlclose() does
 * nothing there.
 *
 * libvlc unloads its plug-ins when the last instance is released, and Mesa
 * unloads its GL driver when the display closes. Once a module is unmapped
 * LeakSanitizer can neither scan its globals (so everything they still
 * point to is reported as leaked) nor name it in a stack trace (it shows up
 * as "<unknown module>", which no suppression can match). Keeping every
 * module mapped until exit avoids both. The definition wins over the C
 * library's because the program exports it (see the top CMakeLists.txt).
 */
extern "C" int dlclose(void *handle)
{
    (void)handle;
    return 0;
}
