// A library that loads but exports no class-object entry.
extern "C" __attribute__((visibility("default"))) int NotAServer() {
    return 1;
}
