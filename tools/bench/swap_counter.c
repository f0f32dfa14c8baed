/* Preloaded into a GL program by tools/bench/peers.py: counts the frames it
 * presents (calls of glXSwapBuffers, or of eglSwapBuffers, through which
 * XScreenSaver 6's hacks present theirs) in an 8-byte file named by
 * CINDRAL_SWAP_COUNT_FILE, mapped into memory, so that the count can be read
 * from outside at any moment, and survives the program being killed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

typedef void (*SwapBuffers)(void* display, unsigned long drawable);
typedef unsigned (*EglSwapBuffers)(void* display, void* surface);

static volatile uint64_t* count_in_file(void)
{
    static volatile uint64_t* count;
    if (count == NULL) {
        const char* path = getenv("CINDRAL_SWAP_COUNT_FILE");
        int fd = path != NULL ? open(path, O_RDWR) : -1;
        if (fd < 0) {
            return NULL;
        }
        void* mapped = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        count = mapped == MAP_FAILED ? NULL : (volatile uint64_t*)mapped;
    }
    return count;
}

static void count_frame(void)
{
    volatile uint64_t* count = count_in_file();
    if (count != NULL) {
        ++*count;
    }
}

void glXSwapBuffers(void* display, unsigned long drawable)
{
    static SwapBuffers next;
    if (next == NULL) {
        next = (SwapBuffers)dlsym(RTLD_NEXT, "glXSwapBuffers");
    }
    count_frame();
    next(display, drawable);
}

unsigned eglSwapBuffers(void* display, void* surface)
{
    static EglSwapBuffers next;
    if (next == NULL) {
        next = (EglSwapBuffers)dlsym(RTLD_NEXT, "eglSwapBuffers");
    }
    count_frame();
    return next(display, surface);
}
