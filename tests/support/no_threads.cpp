// Loaded before a run of the binary (LD_PRELOAD), it makes every start of a thread fail
// as on a system with no threads left for the user: the run must go on without them.
#include <pthread.h>

#include <cerrno>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) { return EAGAIN; }
