// The shell and COM on the real Windows API.
#include "platform/shell.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace os {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units on Windows");
static_assert(sizeof(STRRET::cStr) == kMaxPath, "STRRET text size");

namespace {

IMalloc* AsMalloc(MallocHandle handle) { return reinterpret_cast<IMalloc*>(handle); }
IShellFolder* AsFolder(ShellFolderHandle handle) { return reinterpret_cast<IShellFolder*>(handle); }
IEnumIDList* AsEnumerator(EnumIdListHandle handle) { return reinterpret_cast<IEnumIDList*>(handle); }
IShellLinkA* AsLink(ShellLinkHandle handle) { return reinterpret_cast<IShellLinkA*>(handle); }
IPersistFile* AsPersistFile(PersistFileHandle handle) { return reinterpret_cast<IPersistFile*>(handle); }

LPCITEMIDLIST AsList(ConstItemIdList list) { return reinterpret_cast<LPCITEMIDLIST>(list); }

}  // namespace

HResult SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) {
  LPITEMIDLIST found = nullptr;
  HRESULT result = ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folder, &found);
  *list = reinterpret_cast<ItemIdList>(found);
  return result;
}

bool SHGetPathFromIDListA(ConstItemIdList list, char* path) {
  return ::SHGetPathFromIDListA(AsList(list), path) != FALSE;
}

void CoTaskMemFree(void* block) { ::CoTaskMemFree(block); }

HResult SHGetMalloc(MallocHandle* allocator) {
  IMalloc* shellMalloc = nullptr;
  HRESULT result = ::SHGetMalloc(&shellMalloc);
  *allocator = reinterpret_cast<MallocHandle>(shellMalloc);
  return result;
}

void* IMalloc_Alloc(MallocHandle allocator, size_t bytes) { return AsMalloc(allocator)->Alloc(bytes); }

void IMalloc_Free(MallocHandle allocator, void* block) { AsMalloc(allocator)->Free(block); }

uint32_t IMalloc_Release(MallocHandle allocator) { return AsMalloc(allocator)->Release(); }

HResult SHGetDesktopFolder(ShellFolderHandle* folder) {
  IShellFolder* desktop = nullptr;
  HRESULT result = ::SHGetDesktopFolder(&desktop);
  *folder = reinterpret_cast<ShellFolderHandle>(desktop);
  return result;
}

HResult IShellFolder_BindToObject(ShellFolderHandle folder, ConstItemIdList list, ShellFolderHandle* result) {
  void* bound = nullptr;
  HRESULT status = AsFolder(folder)->BindToObject(AsList(list), nullptr, IID_IShellFolder, &bound);
  *result = reinterpret_cast<ShellFolderHandle>(bound);
  return status;
}

HResult IShellFolder_EnumObjects(ShellFolderHandle folder, WindowHandle owner, uint32_t flags,
                                 EnumIdListHandle* result) {
  IEnumIDList* enumerator = nullptr;
  HRESULT status = AsFolder(folder)->EnumObjects(reinterpret_cast<HWND>(owner), flags, &enumerator);
  *result = reinterpret_cast<EnumIdListHandle>(enumerator);
  return status;
}

HResult IShellFolder_GetDisplayNameOf(ShellFolderHandle folder, ConstItemIdList item, uint32_t flags, StrRet* name) {
  STRRET shellName{};
  HRESULT status = AsFolder(folder)->GetDisplayNameOf(AsList(item), flags, &shellName);
  *name = StrRet{};
  if (FAILED(status)) return status;
  name->type = shellName.uType;
  switch (shellName.uType) {
    case STRRET_WSTR:
      name->oleStr = reinterpret_cast<char16_t*>(shellName.pOleStr);
      break;
    case STRRET_OFFSET:
      name->offset = shellName.uOffset;
      break;
    case STRRET_CSTR:
      ::CopyMemory(name->cStr, shellName.cStr, sizeof name->cStr);
      break;
    default:
      break;
  }
  return status;
}

uint32_t IShellFolder_Release(ShellFolderHandle folder) { return AsFolder(folder)->Release(); }

HResult IEnumIDList_Next(EnumIdListHandle enumerator, uint32_t count, ItemIdList* items, uint32_t* fetched) {
  ULONG delivered = 0;
  HRESULT status = AsEnumerator(enumerator)->Next(count, reinterpret_cast<LPITEMIDLIST*>(items), &delivered);
  if (fetched != nullptr) *fetched = delivered;
  return status;
}

uint32_t IEnumIDList_Release(EnumIdListHandle enumerator) { return AsEnumerator(enumerator)->Release(); }

HResult CoInitialize() { return ::CoInitialize(nullptr); }

HResult CoCreateInstance(ShellLinkHandle* link) {
  void* created = nullptr;
  HRESULT status = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &created);
  *link = reinterpret_cast<ShellLinkHandle>(created);
  return status;
}

HResult IShellLinkA_SetIDList(ShellLinkHandle link, ConstItemIdList list) {
  return AsLink(link)->SetIDList(AsList(list));
}

HResult IShellLinkA_QueryInterface(ShellLinkHandle link, PersistFileHandle* persistFile) {
  void* found = nullptr;
  HRESULT status = AsLink(link)->QueryInterface(IID_IPersistFile, &found);
  *persistFile = reinterpret_cast<PersistFileHandle>(found);
  return status;
}

uint32_t IShellLinkA_Release(ShellLinkHandle link) { return AsLink(link)->Release(); }

HResult IPersistFile_Save(PersistFileHandle persistFile, const char16_t* path, bool remember) {
  return AsPersistFile(persistFile)->Save(reinterpret_cast<LPCOLESTR>(path), remember ? TRUE : FALSE);
}

uint32_t IPersistFile_Release(PersistFileHandle persistFile) { return AsPersistFile(persistFile)->Release(); }

int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* text, int length, char16_t* wide, int wideSize) {
  return ::MultiByteToWideChar(codePage, flags, text, length, reinterpret_cast<wchar_t*>(wide), wideSize);
}

int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int length, char* text, int size) {
  return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<const wchar_t*>(wide), length, text, size, nullptr,
                               nullptr);
}

int SHFileOperationA(ShFileOpStruct* operation) {
  SHFILEOPSTRUCTA shellOperation{};
  shellOperation.hwnd = reinterpret_cast<HWND>(operation->window);
  shellOperation.wFunc = operation->func;
  shellOperation.pFrom = operation->from;
  shellOperation.pTo = operation->to;
  shellOperation.fFlags = operation->flags;
  return ::SHFileOperationA(&shellOperation);
}

}  // namespace os
