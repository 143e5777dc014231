/* A host application written in plain C: it loads libzebbot.so with dlopen (or, built with
 * ZEB_LINKED, links it through pkg-config) and calls its exports, as a host that is not a Qt
 * program would.
 *   c_host LIBRARY strings
 *   c_host LIBRARY locked                     every entry returns at once while its lock is held
 *   c_host LIBRARY autorun PROJECT PARTNER... _RunZEBBot runs the partners and returns by itself
 *   c_host LIBRARY closes MIN[-MAX] KIND AUTO PROJECT [PARTNER...]
 *       opens KIND (bot, analysis or kwcompare; AUTO is the bot's auto_run) twice and presses
 *       Esc until each call returns; each must have taken MIN presses (to MAX) to close
 *   c_host LIBRARY transient KIND EXPECT PROJECT [PARTNER]     (built with ZEB_WITH_X11)
 *       opens KIND over an X window of the host's own and closes it as a window manager would;
 *       EXPECT 1: the window must be transient for the host's window, 0: it must not be
 *   c_host LIBRARY has-x11                    exit status 0 when built with ZEB_WITH_X11
 * Esc reaches the library through Qt's own evdev keyboard input, fed from a pipe.
 * LIBRARY is ignored when linked. Exit status 0 when everything held, 1 otherwise. */
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#ifdef ZEB_WITH_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

#include "zebbot.h"

typedef struct Exports {
  ZebStringList* (*create)(void);
  int (*add)(ZebStringList*, const char*);
  int (*count)(const ZebStringList*);
  void (*free_list)(ZebStringList*);
  void (*bot)(const ZebHost*, int, const char*, ZebStringList*);
  void (*analysis)(const ZebHost*, const char*, const char*);
  void (*kwcompare)(const ZebHost*, const char*, const char*);
} Exports;

#ifdef ZEB_LINKED
static int LoadExports(const char* path, Exports* exports) {
  (void)path;
  exports->create = zeb_string_list_create;
  exports->add = zeb_string_list_add;
  exports->count = zeb_string_list_count;
  exports->free_list = zeb_string_list_free;
  exports->bot = _RunZEBBot;
  exports->analysis = _RunZEBBotAnalysis;
  exports->kwcompare = _RunZEBBotKWComparison;
  return 0;
}
#else
static void* Symbol(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == NULL) {
    fprintf(stderr, "c_host: %s is not exported\n", name);
    exit(1);
  }
  return symbol;
}

/* The library stays loaded to the end, as hosts keep their plug-ins: a library that links Qt is
 * not made to be unloaded. */
static int LoadExports(const char* path, Exports* exports) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "c_host: %s\n", dlerror());
    return -1;
  }
  *(void**)&exports->create = Symbol(library, "zeb_string_list_create");
  *(void**)&exports->add = Symbol(library, "zeb_string_list_add");
  *(void**)&exports->count = Symbol(library, "zeb_string_list_count");
  *(void**)&exports->free_list = Symbol(library, "zeb_string_list_free");
  *(void**)&exports->bot = Symbol(library, "_RunZEBBot");
  *(void**)&exports->analysis = Symbol(library, "_RunZEBBotAnalysis");
  *(void**)&exports->kwcompare = Symbol(library, "_RunZEBBotKWComparison");
  return 0;
}
#endif

/* The lock file of a kind, as the library names it. */
static int LockFile(const char* name) {
  char path[4096];
  const char* folder = getenv("XDG_RUNTIME_DIR");
  if (folder != NULL && *folder != '\0') {
    snprintf(path, sizeof path, "%s/%s", folder, name);
  } else {
    snprintf(path, sizeof path, "/tmp/zebbot-%u/%s", (unsigned)getuid(), name);
  }
  return open(path, O_RDWR | O_CREAT, 0600);
}

/* Whether this process can take the lock now (the library let go of it). */
static int LockIsFree(const char* name) {
  int fd = LockFile(name);
  int free_now = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (fd >= 0) close(fd);
  return free_now;
}

static void SleepMs(long ms) {
  struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

/* Sleeps up to ms, in steps of 10 ms, and wakes early once *stop is set. */
static void SleepUnlessStopped(atomic_int* stop, long ms) {
  for (long slept = 0; slept < ms && !atomic_load(stop); slept += 10) SleepMs(10);
}

/* ---- One call of an export, with its arguments ------------------------------------------ */

typedef struct Call {
  const Exports* exports;
  ZebHost host;
  const char* kind; /* bot, analysis or kwcompare */
  int auto_run;
  const char* project;
  char** partners; /* the bot's list; the views take the first as their partner */
  int partner_count;
} Call;

static const char* LockName(const char* kind) {
  if (strcmp(kind, "bot") == 0) return "ZEBBot.Mutex";
  if (strcmp(kind, "analysis") == 0) return "ZEBBotAnalysis.Mutex";
  if (strcmp(kind, "kwcompare") == 0) return "ZEBBotAnalyzeView.Mutex";
  return NULL;
}

static void RunCall(const Call* call) {
  if (strcmp(call->kind, "bot") == 0) {
    ZebStringList* list = call->exports->create();
    for (int i = 0; i < call->partner_count; ++i) call->exports->add(list, call->partners[i]);
    call->exports->bot(&call->host, call->auto_run, call->project, list);  /* the library's now */
  } else {
    const char* partner = call->partner_count > 0 ? call->partners[0] : "";
    if (strcmp(call->kind, "analysis") == 0) {
      call->exports->analysis(&call->host, call->project, partner);
    } else {
      call->exports->kwcompare(&call->host, call->project, partner);
    }
  }
}

/* ---- Esc presses through Qt's evdev keyboard input --------------------------------------- */

static int key_pipe[2] = {-1, -1};

/* Makes the next QApplication read key events from a pipe of this process. Must run before
 * the first call. */
static int SetUpKeyboard(void) {
  if (pipe(key_pipe) != 0) return -1;
  fcntl(key_pipe[0], F_SETFL, O_NONBLOCK);
  char plugins[64];
  snprintf(plugins, sizeof plugins, "evdevkeyboard:/dev/fd/%d", key_pipe[0]);
  return setenv("QT_QPA_GENERIC_PLUGINS", plugins, 1);
}

static int Unread(void) {
  int bytes = 0;
  return ioctl(key_pipe[1], FIONREAD, &bytes) == 0 ? bytes : -1;
}

/* One Esc press and release in a single write, which a pipe keeps whole; returns its size. */
static int WriteEscape(void) {
  struct input_event events[4];
  memset(events, 0, sizeof events);
  for (int i = 0; i < 2; ++i) {
    events[2 * i].type = EV_KEY;
    events[2 * i].code = KEY_ESC;
    events[2 * i].value = i == 0; /* pressed, then released */
    events[2 * i + 1].type = EV_SYN;
    events[2 * i + 1].code = SYN_REPORT;
  }
  if (write(key_pipe[1], events, sizeof events) != (ssize_t)sizeof events) {
    perror("c_host: key pipe");
    return 0;
  }
  return (int)sizeof events;
}

typedef struct Presser {
  pthread_t thread;
  atomic_int stop;
  atomic_int consumed; /* presses the library's event loop has read */
} Presser;

/* Gives the window a second to come up, then presses Esc, waits until the library has read it,
 * lets the window react, and again. A press that comes too early is lost, never early enough
 * to close the console before it has shown its messages. */
static void* PressEscapes(void* arg) {
  Presser* presser = arg;
  SleepUnlessStopped(&presser->stop, 1000);
  while (!atomic_load(&presser->stop)) {
    const int written = WriteEscape();
    while (!atomic_load(&presser->stop) && Unread() > 0) SleepMs(5);
    /* Qt reads all that is there at once: a press is either read or still whole. */
    if (written > 0 && Unread() < written) atomic_fetch_add(&presser->consumed, 1);
    SleepUnlessStopped(&presser->stop, 300);
  }
  return NULL;
}

/* Throws away a press the library did not read before its window closed, so that it cannot
 * close the next window. */
static void DrainKeys(void) {
  char buffer[256];
  while (read(key_pipe[0], buffer, sizeof buffer) > 0) {
  }
}

/* One call closed by Esc presses: returns the number of presses it took, -1 on a fault. */
static int CallClosedByEscape(const Call* call) {
  Presser presser;
  atomic_init(&presser.stop, 0);
  atomic_init(&presser.consumed, 0);
  if (pthread_create(&presser.thread, NULL, PressEscapes, &presser) != 0) return -1;
  RunCall(call);
  atomic_store(&presser.stop, 1);
  pthread_join(presser.thread, NULL);
  DrainKeys();
  return atomic_load(&presser.consumed);
}

/* ---- A window manager's view of the windows (X11) ---------------------------------------- */

#ifdef ZEB_WITH_X11
typedef struct Watcher {
  pthread_t thread;
  Window host_window;
  atomic_int stop;
  atomic_int found;     /* 1 once a window of the library was seen */
  atomic_int transient; /* 1 when it was transient for the host's window */
} Watcher;

/* The first mapped top-level window other than the host's. */
static Window LibraryWindow(Display* display, Window host_window) {
  Window root_return, parent_return, *children = NULL, found = 0;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent_return, &children,
                  &count)) {
    return 0;
  }
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    XWindowAttributes attributes;
    if (children[i] == host_window) continue;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable && !attributes.override_redirect) {
      found = children[i];
    }
  }
  if (children != NULL) XFree(children);
  return found;
}

/* Sends WM_DELETE_WINDOW, as a window manager's close button does. */
static void CloseWindow(Display* display, Window window) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

static void* WatchWindows(void* arg) {
  Watcher* watcher = arg;
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) return NULL;
  while (!atomic_load(&watcher->stop)) {
    Window window = LibraryWindow(display, watcher->host_window);
    if (window != 0) {
      Window parent = 0;
      int transient = XGetTransientForHint(display, window, &parent) &&
                      parent == watcher->host_window;
      if (!atomic_load(&watcher->found)) atomic_store(&watcher->transient, transient);
      atomic_store(&watcher->found, 1);
      CloseWindow(display, window);
    }
    SleepUnlessStopped(&watcher->stop, 200);
  }
  XCloseDisplay(display);
  return NULL;
}

/* Opens the window over a host window of our own; 0 when it was found, closed and was
 * transient (or not) as expected. */
static int TransientCheck(Call* call, int expect) {
  XInitThreads();
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "c_host: no X display\n");
    return 1;
  }
  Window host_window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 640, 480,
                                           0, 0, 0xffffff);
  XStoreName(display, host_window, "C host");
  XMapWindow(display, host_window);
  XSync(display, False);
  call->host.main_window = host_window;

  Watcher watcher;
  watcher.host_window = host_window;
  atomic_init(&watcher.stop, 0);
  atomic_init(&watcher.found, 0);
  atomic_init(&watcher.transient, 0);
  if (pthread_create(&watcher.thread, NULL, WatchWindows, &watcher) != 0) return 1;
  RunCall(call);
  atomic_store(&watcher.stop, 1);
  pthread_join(watcher.thread, NULL);
  XDestroyWindow(display, host_window);
  XCloseDisplay(display);
  int failures = 0;
  if (!atomic_load(&watcher.found)) {
    fprintf(stderr, "c_host: the %s window was never seen\n", call->kind);
    ++failures;
  } else if (atomic_load(&watcher.transient) != expect) {
    fprintf(stderr, "c_host: the %s window is %stransient for the host's window\n", call->kind,
            expect ? "not " : "");
    ++failures;
  }
  return failures;
}
#endif

/* ---- The modes ---------------------------------------------------------------------------- */

static int Strings(const Exports* exports) {
  int failures = 0;
  ZebStringList* list = exports->create();
  failures += exports->add(list, "Cats") != 0 || exports->add(list, "") != 0 ||
              exports->count(list) != 2;
  failures += exports->add(NULL, "x") != -1;
  exports->free_list(list);
  exports->free_list(NULL);
  return failures;
}

static int Locked(const Exports* exports) {
  const char* kinds[] = {"bot", "analysis", "kwcompare"};
  int fds[3], failures = 0;
  ZebHost host = {0};
  for (int i = 0; i < 3; ++i) {
    fds[i] = LockFile(LockName(kinds[i]));
    failures += fds[i] < 0 || flock(fds[i], LOCK_EX | LOCK_NB) != 0;
  }
  alarm(30); /* a call that shows its window would never return here */
  ZebStringList* list = exports->create();
  exports->add(list, "Cats");
  exports->bot(&host, 1, "Demo", list); /* the list is the library's now */
  exports->analysis(&host, "Demo", "");
  exports->kwcompare(&host, "Demo", "Cats");
  alarm(0);
  for (int i = 0; i < 3; ++i) close(fds[i]);
  for (int i = 0; i < 3; ++i) failures += !LockIsFree(LockName(kinds[i]));
  return failures;
}

static int AutoRun(const Exports* exports, int argc, char** argv) {
  Call call = {exports, {0}, "bot", 1, argc > 3 ? argv[3] : "", argv + 4, argc > 4 ? argc - 4 : 0};
  int failures = 0;
  alarm(120);
  /* The second call works again: the application made for the first is gone. */
  for (int round = 0; round < 2; ++round) {
    RunCall(&call);
    failures += !LockIsFree(LockName("bot"));
  }
  return failures;
}

static int Closes(const Exports* exports, int argc, char** argv) {
  if (argc < 7 || LockName(argv[4]) == NULL) return -1;
  const int least = atoi(argv[3]);
  const char* dash = strchr(argv[3], '-');
  const int most = dash != NULL ? atoi(dash + 1) : 1000000;
  Call call = {exports, {0}, argv[4], atoi(argv[5]), argv[6], argv + 7, argc - 7};
  int failures = 0;
  if (SetUpKeyboard() != 0) return 1;
  alarm(120);
  /* After each call the lock is free and the next call opens again. */
  for (int round = 0; round < 2; ++round) {
    const int presses = CallClosedByEscape(&call);
    if (presses < least || presses > most) {
      fprintf(stderr, "c_host: %s call %d returned after %d Esc presses, not %s\n", call.kind,
              round + 1, presses, argv[3]);
      ++failures;
    }
    failures += !LockIsFree(LockName(call.kind));
  }
  return failures;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: c_host LIBRARY strings|locked|autorun|closes|transient ...\n");
    return 2;
  }
  Exports exports;
  if (LoadExports(argv[1], &exports) != 0) return 1;
  int failures = -1;
  if (strcmp(argv[2], "strings") == 0) {
    failures = Strings(&exports);
  } else if (strcmp(argv[2], "locked") == 0) {
    failures = Locked(&exports);
  } else if (strcmp(argv[2], "autorun") == 0) {
    failures = AutoRun(&exports, argc, argv);
  } else if (strcmp(argv[2], "closes") == 0) {
    failures = Closes(&exports, argc, argv);
  } else if (strcmp(argv[2], "has-x11") == 0) {
#ifdef ZEB_WITH_X11
    return 0;
#else
    return 1;
#endif
#ifdef ZEB_WITH_X11
  } else if (strcmp(argv[2], "transient") == 0 && argc >= 6 && LockName(argv[3]) != NULL) {
    Call call = {&exports, {0}, argv[3], 0, argv[5], argv + 6, argc - 6};
    alarm(120);
    failures = TransientCheck(&call, atoi(argv[4]));
#endif
  }
  if (failures < 0) {
    fprintf(stderr, "c_host: unknown mode or arguments: %s\n", argv[2]);
    return 2;
  }
  if (failures != 0) fprintf(stderr, "c_host: %d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
