/* The token plug-in module's C interface: the eight functions that the module
 * exports and the program resolves by name. The module is built against this
 * header too, so both sides agree on every type; it must stay valid C.
 *
 * Common rules:
 * - Texts are NUL-terminated narrow strings (UTF-8 on this platform).
 * - A text returned by the module belongs to the module. The program never frees
 *   it and reads or copies it before its next call into the module; the module
 *   may reuse or free it at that next call.
 * - "No text" is a null pointer. The program treats an empty text the same way.
 * - Numbers travel as decimal text, booleans set by the program as "1"/"0",
 *   booleans answered by the module as "true", bytes as Base64, lists as fields
 *   separated by ";" (a ";" inside a name is written as ",").
 * - Every call carries the context that PlgInitialize handed out. The module keeps
 *   all of its state there: an unload (dlclose) may leave the module's file mapped,
 *   and a later load must start afresh all the same.
 * - The program calls the module from one thread at a time (it serialises every
 *   call under its plug-in lock), but not always from the same thread.
 */
#ifndef ORX_TOKEN_PLUGIN_ABI_H
#define ORX_TOKEN_PLUGIN_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The module's context; opaque to the program. */
typedef struct PluginContextData* PluginContext;

/* A window that the module's own prompts (passwords, About) are shown over: the
 * native window id (an X11 window under xcb) carried in a pointer-sized value;
 * 0 means no parent. */
typedef uintptr_t PluginWindow;

/* Marks the exports in the module's sources; everything else stays hidden. */
#if defined(__GNUC__)
#define PLG_EXPORT __attribute__((visibility("default")))
#else
#define PLG_EXPORT
#endif

/* Opens a context and stores it in *context. The four values are the module's
 * business; this program always passes zeros. Returns non-zero on success; on
 * failure *context is left untouched or set to null. */
typedef int (*PlgInitializeFn)(uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                               PluginContext* context);

/* Closes the context and frees everything it holds, including the last texts
 * handed out. The result is not looked at. */
typedef int (*PlgFinalizeFn)(PluginContext context);

/* Drops cached state of the context. Required of every module although this
 * program never calls it; a module without it is refused. Result not looked at. */
typedef int (*PlgClearFn)(PluginContext context);

/* Sets (or with 0 clears) the parent window for the prompts that the following
 * operations show. The result is not looked at. */
typedef int (*PlgSetParentWndFn)(PluginContext context, PluginWindow window);

/* Sets a property. Either text may be null: a null value unsets the property. The
 * result is not looked at; a value the module refuses is simply not taken. */
typedef int (*PlgSetPropertyFn)(PluginContext context, const char* name, const char* value);

/* Reads a property: a text owned by the module, valid until the next call into
 * it, or null when the property has no value. */
typedef const char* (*PlgGetPropertyFn)(PluginContext context, const char* name);

/* The index-th entry (decimal text "0", "1", ...) of an enumeration, owned like
 * a PlgGetPropertyFn answer, or null past the last entry. */
typedef const char* (*PlgEnumPropertyFn)(PluginContext context, const char* name,
                                         const char* index);

/* Runs an operation ("Sign", "Login", "Reset", ...) on the inputs set before;
 * outputs are read as properties afterwards. Returns 0 on success, otherwise a
 * PKCS#11 return value (cancelled by the user included). Operations that ask the
 * user show the module's own prompts over the parent window and return when done. */
typedef int (*PlgInvokeFn)(PluginContext context, const char* operation);

/* The exports themselves, for the module's sources. */
PLG_EXPORT int PlgInitialize(uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                             PluginContext* context);
PLG_EXPORT int PlgFinalize(PluginContext context);
PLG_EXPORT int PlgClear(PluginContext context);
PLG_EXPORT int PlgSetParentWnd(PluginContext context, PluginWindow window);
PLG_EXPORT int PlgSetProperty(PluginContext context, const char* name, const char* value);
PLG_EXPORT const char* PlgGetProperty(PluginContext context, const char* name);
PLG_EXPORT const char* PlgEnumProperty(PluginContext context, const char* name, const char* index);
PLG_EXPORT int PlgInvoke(PluginContext context, const char* operation);

#ifdef __cplusplus
}
#endif

#endif /* ORX_TOKEN_PLUGIN_ABI_H */
