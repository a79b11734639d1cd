// A library that is no package: it has no ORDAPckInit.
extern "C" __attribute__((visibility("default"))) int SomethingElse() { return 1; }
