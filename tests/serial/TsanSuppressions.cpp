// Qt is not built with the thread sanitizer: the locks around its posted-event
// queue are invisible to it, so the queue's own allocations inside Qt look like
// races between the threads that post. Our code stays fully checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char *__tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n";
}
#endif
