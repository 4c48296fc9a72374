/*
 * Preloaded by scripts/wine-run-x86 into the Wine processes it starts. In the
 * 32-bit Wine loader, which it runs under qemu-i386, it makes up for two things
 * qemu-i386 (7.2) does not do as a 32-bit Linux kernel does; in every Wine
 * process it sends the start of a 32-bit program back through that script.
 *
 * Threads. qemu-i386's user mode keeps one GDT for all the threads it
 * emulates. The thread-local-storage descriptors that set_thread_area() writes
 * into it, and that the clone() of every new thread rewrites, are therefore not
 * per thread as under a kernel: the last thread started owns them. A thread
 * keeps its own base only while it does not reload the segment register. Wine
 * reloads %fs and %gs on every switch between Windows and Unix code and in
 * every signal handler, so with two threads it soon reads the other thread's
 * TEB and C-library TLS (crashes in RtlUnwind, "partial write" server errors).
 *
 * This library moves every thread's %gs to a descriptor of its own in the LDT
 * (which qemu shares between threads as a kernel does) and fills the free GDT
 * TLS slots so that Wine, finding none, keeps its %fs descriptors in the LDT
 * too.
 *
 * MAP_FIXED_NOREPLACE. qemu-i386 takes the address as a mere hint and maps
 * elsewhere when it is taken. Wine reserves the address space piece by piece
 * with that flag at start-up; it keeps the misplaced pieces above 2 GiB as
 * reserved and then finds them taken, halving its requests down to 64 KiB: tens
 * of thousands of requests, each a search of the whole space by qemu, about
 * four minutes per program. Here a misplaced mapping is undone and the request
 * fails with EEXIST, as under a kernel, and a program starts in about a second.
 *
 * Starting 32-bit programs: see execv below, the one part that the 64-bit
 * build holds. ld.so picks the build for the process's word size through $LIB.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/*
 * A Wine program starts a 32-bit program by executing the 32-bit loader, named
 * "wine", by path. From a 64-bit program that is the machine's
 * /usr/lib/wine/wine, which a machine without Debian's i386 Wine lacks (the
 * 64-bit loader then tries the program itself and fails with c0000135); from a
 * 32-bit program it is the root's, which, where the kernel runs 32-bit
 * programs itself, would run natively, without qemu-i386 and this library.
 * Either way it goes through scripts/wine-run-x86 instead, so that every
 * 32-bit program runs the same way.
 */
int execv(const char* path, char* const argv[]) {
  static int (*execute)(const char*, char* const[]);
  if (!execute) execute = dlsym(RTLD_NEXT, "execv");
  const char* name = strrchr(path, '/');
  const char* loader = getenv("QUILLOMAT_WINE_X86_LOADER");
  if (loader && strcmp(name ? name + 1 : path, "wine") == 0) return execute(loader, argv);
  return execute(path, argv);
}

#if defined(__i386__)
#include <asm/ldt.h>
#include <errno.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>

enum { kGlibcTlsEntry = 6, kFirstGsEntry = 8191, kLastGsEntry = 4096 };

static int next_gs_entry = kFirstGsEntry;
static pthread_mutex_t create_lock = PTHREAD_MUTEX_INITIALIZER;

static unsigned tls_base(void) {
  unsigned base;
  __asm__ volatile("movl %%gs:0,%0" : "=r"(base));
  return base;
}

static unsigned short gs_selector(void) {
  unsigned short selector;
  __asm__ volatile("movw %%gs,%0" : "=r"(selector));
  return selector;
}

static void load_gs(unsigned short selector) {
  __asm__ volatile("movw %0,%%gs" ::"r"(selector) : "memory");
}

static struct user_desc tls_descriptor(int entry) {
  struct user_desc desc = {.entry_number = (unsigned)entry,
                           .base_addr = tls_base(),
                           .limit = 0xfffff,
                           .seg_32bit = 1,
                           .limit_in_pages = 1,
                           .useable = 1};
  return desc;
}

/* Points this thread's %gs at an LDT descriptor of its own, counting down from
 * the top of the LDT, away from the entries Wine hands out from the bottom.
 * Entries are not reused: a process's threads past the 4096th keep the shared
 * GDT slot. */
static void own_gs(void) {
  const int entry = __atomic_fetch_sub(&next_gs_entry, 1, __ATOMIC_RELAXED);
  if (entry < kLastGsEntry) return;
  struct user_desc desc = tls_descriptor(entry);
  if (syscall(SYS_modify_ldt, 1, &desc, sizeof desc) == 0) {
    load_gs((unsigned short)((entry << 3) | 7)); /* LDT, privilege 3 */
  }
}

__attribute__((constructor)) static void start_process(void) {
  own_gs();
  /* Take every free GDT TLS slot, so that Wine's own request for one fails. */
  for (int i = 0; i < 8; ++i) {
    struct user_desc taken = {.entry_number = (unsigned)-1, .seg_32bit = 1, .useable = 1};
    if (syscall(SYS_set_thread_area, &taken) != 0) break;
  }
}

struct thread_start {
  void* (*routine)(void*);
  void* arg;
};

static void* start_thread(void* param) {
  const struct thread_start start = *(struct thread_start*)param;
  free(param);
  own_gs();
  return start.routine(start.arg);
}

/*
 * glibc gives the new thread the TLS descriptor number that the creating
 * thread's %gs holds, and clone() writes it into the GDT. Create the thread
 * from the glibc GDT slot, refreshed with this thread's own base, so that the
 * new thread starts on its own TLS; then return to this thread's LDT slot.
 */
int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*),
                   void* arg) {
  static int (*create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  if (!create) create = dlsym(RTLD_NEXT, "pthread_create");
  struct thread_start* start = malloc(sizeof *start);
  if (!start) return EAGAIN;
  start->routine = routine;
  start->arg = arg;

  pthread_mutex_lock(&create_lock);
  const unsigned short own = gs_selector();
  struct user_desc glibc_slot = tls_descriptor(kGlibcTlsEntry);
  syscall(SYS_set_thread_area, &glibc_slot);
  load_gs((kGlibcTlsEntry << 3) | 3);
  const int result = create(thread, attr, start_thread, start);
  load_gs(own);
  pthread_mutex_unlock(&create_lock);

  if (result != 0) free(start);
  return result;
}

static void* unless_misplaced(void* wanted, void* mapped, size_t length, int flags) {
  if ((flags & MAP_FIXED_NOREPLACE) && mapped != MAP_FAILED && mapped != wanted) {
    munmap(mapped, length);
    errno = EEXIST;
    return MAP_FAILED;
  }
  return mapped;
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  static void* (*map)(void*, size_t, int, int, int, off64_t);
  if (!map) map = dlsym(RTLD_NEXT, "mmap64");
  return unless_misplaced(address, map(address, length, protection, flags, fd, offset), length,
                          flags);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  static void* (*map)(void*, size_t, int, int, int, off_t);
  if (!map) map = dlsym(RTLD_NEXT, "mmap");
  return unless_misplaced(address, map(address, length, protection, flags, fd, offset), length,
                          flags);
}
#endif
