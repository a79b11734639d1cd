// A library whose binding refuses every engine.
extern "C" __attribute__((visibility("default"))) int ORDAPckInit(void*, int) { return 0; }
