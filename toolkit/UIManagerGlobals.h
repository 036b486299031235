#pragma once
// What all managers of the process share: the module handles, the list of initialised
// managers (for message translation), the shared resource tables, GDI+ and a few system
// functions looked up once.

#include "toolkit/ResourceCache.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class CUIManager;

namespace UIManagerGlobals {

HINSTANCE& Instance();
HINSTANCE& ResourceInstance();
// Where resources are read from: the resource module, else the program's.
HINSTANCE ResourceModule();
// The bytes of a resource there; false when it is missing or empty.
bool ReadResourceBytes(const wchar_t* name, const wchar_t* type, std::vector<uint8_t>& bytes);
CResourceCache& Shared();

// In initialisation order.
std::vector<CUIManager*>& Managers();
void Join(CUIManager* manager);

// The first manager also sets up the common controls and the red "showdirty" pen.
void OnManagerCreated(CUIManager* manager, ULONG_PTR* gdiplusToken);
void OnManagerDestroyed(CUIManager* manager, ULONG_PTR gdiplusToken);

HPEN DirtyPen();

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
UpdateLayeredWindowFn UpdateLayeredWindowFunction();
SetLayeredWindowAttributesFn SetLayeredWindowAttributesFunction();

}  // namespace UIManagerGlobals
