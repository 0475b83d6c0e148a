// Runs saved inputs through the fuzz target, one after another, outside the fuzzer: the crash
// and hang inputs it found stay in the ordinary tests.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    FILE* f = fopen(argv[i], "rb");
    if (!f) {
      fprintf(stderr, "cannot open %s\n", argv[i]);
      return 1;
    }
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    uint8_t* data = static_cast<uint8_t*>(malloc(size > 0 ? size_t(size) : 1));
    bool ok = data && size >= 0 && fread(data, 1, size_t(size), f) == size_t(size);
    fclose(f);
    if (!ok) {
      fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    LLVMFuzzerTestOneInput(data, size_t(size));
    free(data);
    printf("ok %s\n", argv[i]);
  }
  return 0;
}
