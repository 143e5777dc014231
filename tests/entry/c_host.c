/* A host application written in plain C: it loads libzebbot.so with dlopen and calls its
 * exports, as a host that is not a Qt program would.
 *   c_host LIBRARY strings
 *   c_host LIBRARY locked                    every entry returns at once while its lock is held
 *   c_host LIBRARY autorun PROJECT PARTNER... _RunZEBBot runs the partners and returns by itself
 * Exit status 0 when everything held, 1 otherwise. */
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include "zebbot.h"

typedef ZebStringList* (*CreateFn)(void);
typedef int (*AddFn)(ZebStringList*, const char*);
typedef int (*CountFn)(const ZebStringList*);
typedef void (*FreeFn)(ZebStringList*);
typedef void (*BotFn)(const ZebHost*, int, const char*, ZebStringList*);
typedef void (*ViewFn)(const ZebHost*, const char*, const char*);

static void* Symbol(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == NULL) {
    fprintf(stderr, "c_host: %s is not exported\n", name);
    exit(1);
  }
  return symbol;
}

/* The lock file of a kind, as the library names it. */
static int LockFile(const char* name) {
  char path[4096];
  const char* folder = getenv("XDG_RUNTIME_DIR");
  snprintf(path, sizeof path, "%s/%s", folder != NULL ? folder : "/tmp", name);
  return open(path, O_RDWR | O_CREAT, 0600);
}

/* Whether this process can take the lock now (the library let go of it). */
static int LockIsFree(const char* name) {
  int fd = LockFile(name);
  int free_now = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (fd >= 0) close(fd);
  return free_now;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: c_host LIBRARY strings|locked|autorun ...\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "c_host: %s\n", dlerror());
    return 1;
  }
  CreateFn create = (CreateFn)Symbol(library, "zeb_string_list_create");
  AddFn add = (AddFn)Symbol(library, "zeb_string_list_add");
  CountFn count = (CountFn)Symbol(library, "zeb_string_list_count");
  FreeFn free_list = (FreeFn)Symbol(library, "zeb_string_list_free");
  BotFn bot = (BotFn)Symbol(library, "_RunZEBBot");
  ViewFn analysis = (ViewFn)Symbol(library, "_RunZEBBotAnalysis");
  ViewFn kwcompare = (ViewFn)Symbol(library, "_RunZEBBotKWComparison");
  ZebHost host = {0};
  int failures = 0;

  if (strcmp(argv[2], "strings") == 0) {
    ZebStringList* list = create();
    failures += add(list, "Cats") != 0 || add(list, "") != 0 || count(list) != 2;
    failures += add(NULL, "x") != -1;
    free_list(list);
    free_list(NULL);
  } else if (strcmp(argv[2], "locked") == 0) {
    const char* names[] = {"ZEBBot.Mutex", "ZEBBotAnalysis.Mutex", "ZEBBotAnalyzeView.Mutex"};
    int fds[3];
    for (int i = 0; i < 3; ++i) {
      fds[i] = LockFile(names[i]);
      failures += fds[i] < 0 || flock(fds[i], LOCK_EX | LOCK_NB) != 0;
    }
    alarm(30); /* a call that shows its window would never return here */
    ZebStringList* list = create();
    add(list, "Cats");
    bot(&host, 1, "Demo", list); /* the list is the library's now */
    analysis(&host, "Demo", "");
    kwcompare(&host, "Demo", "Cats");
    for (int i = 0; i < 3; ++i) close(fds[i]);
    for (int i = 0; i < 3; ++i) failures += !LockIsFree(names[i]);
  } else if (strcmp(argv[2], "autorun") == 0) {
    ZebStringList* list = create();
    for (int i = 4; i < argc; ++i) add(list, argv[i]);
    alarm(120);
    bot(&host, 1, argc > 3 ? argv[3] : "", list);
    failures += !LockIsFree("ZEBBot.Mutex");
    /* A second call works again: the application made for the first is gone. */
    ZebStringList* again = create();
    for (int i = 4; i < argc; ++i) add(again, argv[i]);
    bot(&host, 1, argc > 3 ? argv[3] : "", again);
    failures += !LockIsFree("ZEBBot.Mutex");
  } else {
    fprintf(stderr, "c_host: unknown mode %s\n", argv[2]);
    return 2;
  }
  /* The library stays loaded to the end, as hosts keep their plug-ins: a library that links Qt
   * is not made to be unloaded. */
  if (failures != 0) fprintf(stderr, "c_host: %d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
