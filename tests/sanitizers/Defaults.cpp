// Sanitizer settings baked into every test program, so that a test behaves the
// same under ctest and when run by hand. libOpenNI frees with the wrong
// function and leaks on its own; only its frames are excused, never ours.
#if defined(__SANITIZE_ADDRESS__)
extern "C" {
const char* __asan_default_options() {
    return "alloc_dealloc_mismatch=0:new_delete_type_mismatch=0";
}
const char* __lsan_default_suppressions() {
    return "leak:libOpenNI.so\nleak:libnim\n";
}
const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
const char* __lsan_default_options() {
    return "print_suppressions=0";
}
}
#endif
