// A converter library without the converter functions.
extern "C" __attribute__((visibility("default"))) int Tblx2Version() { return 0; }
