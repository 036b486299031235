/* The resolver behind every delay-loaded system DLL of the product (see
 * cmake/VarloDelayLoad.cmake, which compiles this file into each delay-import library).
 *
 * The loader resolves static imports before any of our code runs, searching the exe's own
 * folder first for every DLL that is not a KnownDLL; an elevated installer started from a
 * Downloads folder would run whatever DLL of that name lies beside it. So the exe imports
 * only KnownDLLs statically, and the first call into any other system DLL lands here: the
 * DLL is loaded from System32 and from nowhere else. The C runtime's own resolver would
 * use LoadLibraryA with the default search order, which is exactly the hole. */

#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

/* Laid out by cmake/make_delaylib.py: one per DLL, one per imported function. */
typedef struct DelayDll {
    HMODULE module;
    char name[1];
} DelayDll;

typedef struct DelayImport {
    FARPROC* slot;
    DelayDll* dll;
    char name[1];
} DelayImport;

/* Facility 0x6d and these codes are what every delay-load failure raises. */
#define DELAY_LOAD_FAILURE(code) (ERROR_SEVERITY_ERROR | (0x6d << 16) | (code))

FARPROC WINAPI VarloResolveDelayImport(const DelayImport* import);

static HMODULE LoadFromSystem32(const char* name) {
    WCHAR wide[MAX_PATH];
    WCHAR full[MAX_PATH * 2];
    HMODULE module;
    UINT dirLength;
    int i;
    for (i = 0; name[i] != '\0'; ++i) {
        /* Names come from our own import table: plain ASCII file names, never paths. */
        if (i + 1 >= MAX_PATH || (unsigned char)name[i] >= 0x80 || name[i] == '\\' || name[i] == '/') {
            return NULL;
        }
        wide[i] = (WCHAR)name[i];
    }
    wide[i] = L'\0';
    module = LoadLibraryExW(wide, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != NULL || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    /* A loader without the search flags (Windows 7 before its update): the full path, and
     * its own dependencies looked up beside it rather than beside us. */
    dirLength = GetSystemDirectoryW(full, MAX_PATH);
    if (dirLength == 0 || dirLength >= MAX_PATH) {
        return NULL;
    }
    full[dirLength] = L'\\';
    lstrcpynW(full + dirLength + 1, wide, MAX_PATH);
    return LoadLibraryExW(full, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

static FARPROC Fail(const DelayImport* import, DWORD code) {
    /* A system DLL or export missing from System32: there is nothing sensible to call, so
     * stop with an exception that names the DLL and the function. */
    ULONG_PTR arguments[2];
    arguments[0] = (ULONG_PTR)import->dll->name;
    arguments[1] = (ULONG_PTR)import->name;
    RaiseException(DELAY_LOAD_FAILURE(code), EXCEPTION_NONCONTINUABLE, 2, arguments);
    return NULL;
}

FARPROC WINAPI VarloResolveDelayImport(const DelayImport* import) {
    HMODULE module = import->dll->module;
    FARPROC proc;
    if (module == NULL) {
        HMODULE loaded = LoadFromSystem32(import->dll->name);
        if (loaded == NULL) {
            return Fail(import, ERROR_MOD_NOT_FOUND);
        }
        /* Two threads may race to the first call; one reference is kept, the other dropped. */
        module = (HMODULE)InterlockedCompareExchangePointer((PVOID volatile*)&import->dll->module, loaded, NULL);
        if (module != NULL) {
            FreeLibrary(loaded);
        } else {
            module = loaded;
        }
    }
    proc = GetProcAddress(module, import->name);
    if (proc == NULL) {
        return Fail(import, ERROR_PROC_NOT_FOUND);
    }
    /* Later calls go straight to the function. */
    InterlockedExchangePointer((PVOID volatile*)import->slot, (PVOID)proc);
    return proc;
}
