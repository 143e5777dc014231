/* ZEB Bot's plug-in interface: the three windows a host application opens through
 * libzebbot.so.
 *
 * Conventions:
 *  - Every function has C linkage and the platform's C calling convention.
 *  - Strings are `const char*` single-byte texts ending in a zero byte. They are never NULL; an
 *    empty text is allowed. The library copies what it needs before a call returns; the host
 *    keeps ownership of its strings.
 *  - A ZebStringList is an opaque list of such texts, made with zeb_string_list_create and
 *    filled with zeb_string_list_add. A list handed to _RunZEBBot belongs to the library from
 *    the call on: the console frees it when its window closes, and the host must not use or
 *    free it afterwards. A list that is not handed on is freed by the host with
 *    zeb_string_list_free.
 *  - The host passes a ZebHost describing itself; main_window is its main window's native
 *    handle (an X11 window id, for example), or 0 when it has none. The host pointer may not be
 *    NULL.
 *  - Each _RunZEBBot* call shows its window modally on the calling thread, which must be the
 *    host's GUI thread (or its only thread), and returns when the window has closed. Nothing is
 *    returned. A Qt host's QApplication is used as it is; for a host that is not a Qt program
 *    the library makes one for the call and removes it afterwards.
 *  - One window of each kind at a time for the logged-on user: while one is open (in this or
 *    another process), a second call of the same kind returns at once and shows nothing.
 *  - A window that cannot be built or shown is reported in a message box (or on stderr when no
 *    window can be shown); the call then returns normally.
 */
#ifndef ZEBBOT_H_
#define ZEBBOT_H_

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZEBBOT_API __attribute__((visibility("default")))
#else
#define ZEBBOT_API
#endif

typedef struct ZebHost {
  unsigned long main_window; /* the host's main window's native handle, or 0 */
} ZebHost;

typedef struct ZebStringList ZebStringList;

/* A new, empty list; NULL when memory runs out. */
ZEBBOT_API ZebStringList* zeb_string_list_create(void);
/* Appends a copy of text; returns 0, or -1 when memory runs out (the list is unchanged). */
ZEBBOT_API int zeb_string_list_add(ZebStringList* list, const char* text);
/* The number of texts in the list. */
ZEBBOT_API int zeb_string_list_count(const ZebStringList* list);
/* Frees the list and its texts; NULL is allowed. */
ZEBBOT_API void zeb_string_list_free(ZebStringList* list);

/* The bot console. auto_run with a non-zero low byte (only that byte counts, as for a one-byte
 * Boolean passed in an int): check that the project and the partners exist, run the partners
 * and close the console at the end; a project or partner that does not exist gets an error
 * message each, and the console then stays open, idle. partners: the partners to check (may be
 * empty, never NULL); the library owns and frees it, even when the call shows nothing. */
ZEBBOT_API void _RunZEBBot(const ZebHost* host, int auto_run, const char* project,
                           ZebStringList* partners);
/* The position analysis view of a project (empty: the first project). partner is kept but not
 * used by the view. */
ZEBBOT_API void _RunZEBBotAnalysis(const ZebHost* host, const char* project,
                                   const char* partner);
/* The keyword comparative view of a project and partner (empty partner: the first). */
ZEBBOT_API void _RunZEBBotKWComparison(const ZebHost* host, const char* project,
                                       const char* partner);

#ifdef __cplusplus
}
#endif

#endif /* ZEBBOT_H_ */
