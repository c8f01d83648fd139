/* standin_windows: a Windows program that records how it was started, for the tests of
 * starting a real suite's Windows programs through Wine. It has no window: it is read only
 * through its log.
 *
 * TOVALEER_STANDIN_LOG=FILE appends one line per start to FILE, in UTF-8: the whole wide
 * command line as the system hands it over (GetCommandLineW), then each argument as
 * CommandLineToArgvW splits that line (the program's own name first), then the working folder
 * (GetCurrentDirectoryW), separated by tabs. Inside a field a backslash, tab, newline or
 * carriage return is written as \\, \t, \n or \r, as the Linux stand-in does, so that every
 * start stays exactly one line.
 *
 * TOVALEER_STANDIN_WINDOW=1 shows a window before the line is written, as a real activity
 * shows its first window (Wine then starts its desktop process, if it is not running yet);
 * the window goes with the program.
 *
 * TOVALEER_STANDIN_DONE_AFTER_MS=N ends it N milliseconds after it has written its line
 * (default: at once), with exit code 0. TOVALEER_STANDIN_END_WHEN=FILE ends it only once FILE
 * exists, so that a test sees the program running for as long as it likes and then ends it
 * as a pupil would: every start waits for the file, which a test removes before the next.
 * TOVALEER_STANDIN_END_FILE=FILE creates FILE just before it ends, so that a test can tell
 * the program's own end from its starter's report.
 *
 * Built with mingw-w64: x86_64-w64-mingw32-gcc -municode standin_windows.c -lshell32 */

#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

/* A growing UTF-16 buffer for the line; NULL data after a failed allocation. */
typedef struct {
  wchar_t* data;
  size_t length;
  size_t capacity;
} Text;

static void appendChars(Text* text, const wchar_t* chars, size_t count) {
  if (!text->data) return;
  if (count > (size_t)-1 / sizeof(wchar_t) / 2 - text->length - 1) {
    free(text->data);
    text->data = NULL;
    return;
  }
  if (text->length + count + 1 > text->capacity) {
    size_t capacity = (text->length + count + 1) * 2;
    wchar_t* grown = realloc(text->data, capacity * sizeof(wchar_t));
    if (!grown) {
      free(text->data);
      text->data = NULL;
      return;
    }
    text->data = grown;
    text->capacity = capacity;
  }
  wmemcpy(text->data + text->length, chars, count);
  text->length += count;
  text->data[text->length] = L'\0';
}

static void appendField(Text* text, const wchar_t* field) {
  for (; *field; ++field) {
    switch (*field) {
      case L'\\': appendChars(text, L"\\\\", 2); break;
      case L'\t': appendChars(text, L"\\t", 2); break;
      case L'\n': appendChars(text, L"\\n", 2); break;
      case L'\r': appendChars(text, L"\\r", 2); break;
      default: appendChars(text, field, 1);
    }
  }
}

static wchar_t* currentFolder(void) {
  DWORD size = GetCurrentDirectoryW(0, NULL);
  wchar_t* folder = size ? malloc(size * sizeof(wchar_t)) : NULL;
  if (folder && GetCurrentDirectoryW(size, folder) >= size) folder[0] = L'\0';
  return folder;
}

/* The whole line, or NULL when memory ran out. */
static wchar_t* startLine(void) {
  Text text = {malloc(256 * sizeof(wchar_t)), 0, 256};
  if (!text.data) return NULL;
  text.data[0] = L'\0';
  const wchar_t* commandLine = GetCommandLineW();
  appendField(&text, commandLine);
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  for (int i = 0; arguments && i < count; ++i) {
    appendChars(&text, L"\t", 1);
    appendField(&text, arguments[i]);
  }
  LocalFree(arguments);
  wchar_t* folder = currentFolder();
  appendChars(&text, L"\t", 1);
  appendField(&text, folder ? folder : L"");
  free(folder);
  appendChars(&text, L"\n", 1);
  return text.data;
}

/* One write of the whole line on a file opened for appending, so that two stand-ins never
 * interleave and a reader never sees half a line. */
static int appendToLog(const wchar_t* logPath, const wchar_t* line) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, NULL, 0, NULL, NULL);
  char* utf8 = bytes > 0 ? malloc((size_t)bytes) : NULL;
  if (!utf8 || WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, bytes, NULL, NULL) != bytes) {
    free(utf8);
    return 0;
  }
  HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  DWORD written = 0;
  int ok = log != INVALID_HANDLE_VALUE &&
           WriteFile(log, utf8, (DWORD)(bytes - 1), &written, NULL) && written == (DWORD)(bytes - 1);
  if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
  free(utf8);
  return ok;
}

/* The value of an environment variable, or NULL when it is not set. */
static wchar_t* variable(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, NULL, 0);
  wchar_t* value = size ? malloc(size * sizeof(wchar_t)) : NULL;
  if (value && GetEnvironmentVariableW(name, value, size) >= size) {
    free(value);
    value = NULL;
  }
  return value;
}

/* A file named by an environment variable. The tests name Linux files ("/tmp/log"), which
 * Wine would take relative to the current drive; Wine's Z: is the Linux root, so they are
 * turned into "Z:\tmp\log" whatever the working folder's drive. */
static wchar_t* fileFromVariable(const wchar_t* name) {
  wchar_t* path = variable(name);
  if (!path || path[0] != L'/') return path;
  size_t length = wcslen(path);
  wchar_t* windows = malloc((length + 3) * sizeof(wchar_t));
  if (windows) {
    windows[0] = L'Z';
    windows[1] = L':';
    for (size_t i = 0; i <= length; ++i) windows[i + 2] = path[i] == L'/' ? L'\\' : path[i];
  }
  free(path);
  return windows;
}

static DWORD doneAfterMs(void) {
  wchar_t* text = variable(L"TOVALEER_STANDIN_DONE_AFTER_MS");
  unsigned long ms = text ? wcstoul(text, NULL, 10) : 0;
  free(text);
  return ms > 0x7fffffffUL ? 0x7fffffffUL : (DWORD)ms;
}

/* Waits until the file exists: woken by a change of names in its folder, and once a second
 * in case the file system reports none (a network drive). */
static void waitForFile(const wchar_t* path) {
  wchar_t folder[MAX_PATH];
  size_t length = wcslen(path);
  if (length >= MAX_PATH) length = MAX_PATH - 1;
  wmemcpy(folder, path, length);
  folder[length] = L'\0';
  wchar_t* separator = wcsrchr(folder, L'\\');
  if (separator) separator[1] = L'\0';
  HANDLE change = separator ? FindFirstChangeNotificationW(folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME)
                            : INVALID_HANDLE_VALUE;
  while (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
    if (change == INVALID_HANDLE_VALUE) {
      Sleep(1000);
    } else if (WaitForSingleObject(change, 1000) == WAIT_OBJECT_0 && !FindNextChangeNotification(change)) {
      FindCloseChangeNotification(change);
      change = INVALID_HANDLE_VALUE;
    }
  }
  if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
}

static void markEnd(void) {
  wchar_t* path = fileFromVariable(L"TOVALEER_STANDIN_END_FILE");
  if (!path) return;
  HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  free(path);
}

/* A plain top-level window, shown and painted; NULL when it cannot be made. */
static HWND showWindow(void) {
  WNDCLASSW windowClass = {0};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"standin_windows";
  if (!RegisterClassW(&windowClass)) return NULL;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"standin_windows", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, NULL, NULL, windowClass.hInstance, NULL);
  if (!window) return NULL;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  return window;
}

int wmain(void) {
  wchar_t* wanted = variable(L"TOVALEER_STANDIN_WINDOW");
  if (wanted && !showWindow()) fwprintf(stderr, L"standin_windows: cannot show a window\n");
  free(wanted);
  wchar_t* logPath = fileFromVariable(L"TOVALEER_STANDIN_LOG");
  if (logPath) {
    wchar_t* line = startLine();
    if (!line || !appendToLog(logPath, line))
      fwprintf(stderr, L"standin_windows: cannot append to %ls\n", logPath);
    free(line);
    free(logPath);
  }
  Sleep(doneAfterMs());
  wchar_t* endWhen = fileFromVariable(L"TOVALEER_STANDIN_END_WHEN");
  if (endWhen) waitForFile(endWhen);
  free(endWhen);
  markEnd();
  return 0;
}
