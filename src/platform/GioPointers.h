#pragma once

// Owning handles for the GLib objects this folder uses, so that every path releases them.

#include <gio/gio.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorFree {
    void operator()(GError* error) const
    {
        if (error)
            g_error_free(error);
    }
};

template<typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
