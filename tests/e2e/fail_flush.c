/* fail_flush.c: a test shim, loaded with LD_PRELOAD, that makes fflush fail
 * on one file, as a full device would: the file whose name ends with
 * FAIL_FLUSH_SUFFIX. The flushes that count are all flushes of that file, or
 * with FAIL_FLUSH_MATCH only those whose pending text holds that text; the
 * first FAIL_FLUSH_AFTER of them pass, and from the next one on every flush
 * of the file fails. With FAIL_FLUSH_KILL set the process kills itself there
 * instead (a task that dies). It lets the end-to-end tests give a task a real
 * write failure at a chosen line. The pending text is read from glibc's
 * FILE buffer. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Whether the text waiting in f's buffer holds `text`. */
static int pending_holds(FILE* f, const char* text) {
  const char* at = f->_IO_write_base;
  const size_t len = (size_t)(f->_IO_write_ptr - f->_IO_write_base);
  return at != NULL && memmem(at, len, text, strlen(text)) != NULL;
}

int fflush(FILE* f) {
  static int (*real)(FILE*) = NULL;
  static int count = 0, failing = 0;
  if (real == NULL) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fflush");
  const char* suffix = getenv("FAIL_FLUSH_SUFFIX");
  const char* after = getenv("FAIL_FLUSH_AFTER");
  const char* match = getenv("FAIL_FLUSH_MATCH");
  if (f != NULL && suffix != NULL) {
    char link[64], name[1024];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fileno(f));
    const ssize_t k = readlink(link, name, sizeof name - 1);
    const size_t ls = strlen(suffix);
    if (k > 0 && (size_t)k >= ls) {
      name[k] = '\0';
      if (strcmp(name + k - ls, suffix) == 0) {
        if (!failing && (match == NULL || pending_holds(f, match)) &&
            ++count > (after ? atoi(after) : 0)) {
          if (getenv("FAIL_FLUSH_KILL") != NULL) raise(SIGKILL);
          failing = 1;
        }
        if (failing) {
          real(f);
          return EOF;
        }
      }
    }
  }
  return real(f);
}
