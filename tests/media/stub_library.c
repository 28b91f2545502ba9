/* A shared object that has one of libavdevice's entry points and lacks the others, for the loader's
   missing-entry-point failure. */
unsigned avdevice_version(void) { return 0; }
int vornel_stub_variable = 1;
