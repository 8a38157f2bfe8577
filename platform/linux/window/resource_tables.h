// The program's embedded resources as tables: the dialog templates taken
// from the resource script by the build step, and the image files it
// names, byte for byte. The generated source registers one module at start.
#pragma once

#include <windows.h>

#include <cstddef>

namespace zanq::ui::resources {

struct DialogItem {
    const wchar_t* className;
    int id;
    int x, y, cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle;
    const wchar_t* text;
    int textOrdinal;  // non-zero when the text is a resource id (an image of a static)
};

struct DialogTemplate {
    int id;
    int x, y, cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle;
    const wchar_t* caption;
    const wchar_t* fontName;
    int fontPointSize;
    int fontWeight;
    int fontItalic;
    int fontCharset;
    const DialogItem* items;
    std::size_t itemCount;
};

// RT_BITMAP: the whole .bmp file; RT_GROUP_ICON: the whole .ico file.
struct BinaryResource {
    int type;
    int id;
    const unsigned char* data;
    std::size_t size;
};

struct ResourceModule {
    const DialogTemplate* dialogs;
    std::size_t dialogCount;
    const BinaryResource* binaries;
    std::size_t binaryCount;
};

// Makes the module's resources findable; a later module's entries win over
// an earlier one's with the same id.
void RegisterModule(const ResourceModule& module);
const DialogTemplate* FindDialog(int id);
const BinaryResource* FindBinary(int type, int id);

struct ModuleRegistration {
    explicit ModuleRegistration(const ResourceModule& module) { RegisterModule(module); }
};

}  // namespace zanq::ui::resources
