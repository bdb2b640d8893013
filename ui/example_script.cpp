// Writes the editor's initial script to the file it is given, through the
// program's own save routine: the release package ships the result as its
// example script, byte for byte what 保存 writes for that text.
//   example_script FILE
#include <cstdio>

#include "ui/script_file.h"
#include "ui/settings/initial_script.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: example_script FILE\n", stderr);
    return 2;
  }
  const kestrune::ScriptFileSaveResult result =
      kestrune::writeScriptFile(argv[1], kestrune::kInitialScript);
  if (!result.saved) {
    std::fputs(result.message.c_str(), stderr);
    return 1;
  }
  return 0;
}
