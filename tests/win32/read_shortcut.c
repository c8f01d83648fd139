/* read_shortcut FILE.lnk: prints a shortcut's target and its working folder ("Start in"), one
 * per line in UTF-8, as the shell itself reads them: the installer's test checks where the
 * Start-menu entry points. Exit code 1 when the shell cannot read it. */
#define COBJMACROS
#include <windows.h>
#include <shlobj.h>

#include <stdio.h>

static void printUtf8Line(const wchar_t* text) {
  char line[4 * MAX_PATH];
  if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, line, sizeof line, NULL, NULL)) line[0] = '\0';
  printf("%s\n", line);
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: read_shortcut FILE.lnk\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED))) return 1;
  int result = 1;
  IShellLinkW* link = NULL;
  IPersistFile* file = NULL;
  wchar_t target[MAX_PATH];
  wchar_t folder[MAX_PATH];
  if (SUCCEEDED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link)) &&
      SUCCEEDED(IShellLinkW_QueryInterface(link, &IID_IPersistFile, (void**)&file)) &&
      SUCCEEDED(IPersistFile_Load(file, argv[1], STGM_READ)) &&
      SUCCEEDED(IShellLinkW_GetPath(link, target, MAX_PATH, NULL, SLGP_RAWPATH)) &&
      SUCCEEDED(IShellLinkW_GetWorkingDirectory(link, folder, MAX_PATH))) {
    printUtf8Line(target);
    printUtf8Line(folder);
    result = 0;
  } else {
    fprintf(stderr, "read_shortcut: the shell cannot read the shortcut\n");
  }
  if (file) IPersistFile_Release(file);
  if (link) IShellLinkW_Release(link);
  CoUninitialize();
  return result;
}
