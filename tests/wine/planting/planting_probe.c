// The control of the planting test: a program that imports the spooler statically, as the
// installer once did, and loads each library named on its command line by its bare name. Beside
// planted DLLs it must load every one of them, or the test could not see a planted DLL run.
#include <windows.h>
#include <winspool.h>

int main(int argc, char** argv) {
  int failed = 0;
  // Never true: the call only makes the spooler an import of this program.
  if (argc > 1000) ClosePrinter(NULL);
  for (int i = 1; i < argc; ++i) {
    if (LoadLibraryA(argv[i]) == NULL) failed = 1;
  }
  return failed;
}
