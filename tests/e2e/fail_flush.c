/* fail_flush.c: a test shim, loaded with LD_PRELOAD, that makes fflush fail
 * on one file: the file whose name ends with FAIL_FLUSH_SUFFIX, from its
 * (FAIL_FLUSH_AFTER + 1)-th flush on. It lets the end-to-end tests give a
 * secondary task a real write failure. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int fflush(FILE* f) {
  static int (*real)(FILE*) = NULL;
  static int count = 0;
  if (real == NULL) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fflush");
  const char* suffix = getenv("FAIL_FLUSH_SUFFIX");
  const char* after = getenv("FAIL_FLUSH_AFTER");
  if (f != NULL && suffix != NULL && after != NULL) {
    char link[64], name[1024];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fileno(f));
    const ssize_t k = readlink(link, name, sizeof name - 1);
    const size_t ls = strlen(suffix);
    if (k > 0 && (size_t)k >= ls) {
      name[k] = '\0';
      if (strcmp(name + k - ls, suffix) == 0 && ++count > atoi(after)) {
        real(f);
        return EOF;
      }
    }
  }
  return real(f);
}
