// The shell and COM on the real Windows API.
#include "platform/shell.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include "platform/win32/substitution_point.h"

namespace os {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units on Windows");
static_assert(sizeof(STRRET::cStr) == kMaxPath, "STRRET text size");

using substitution::Fails;
using substitution::Resource;

namespace {

// A failing COM call reports the code the test chose as its HRESULT.
HResult Chosen() { return static_cast<HResult>(::GetLastError()); }
void Counted(HRESULT status, const void* object, int count = 1) {
  if (SUCCEEDED(status) && object != nullptr) substitution::Count(Resource::ComReference, count);
}

IMalloc* AsMalloc(MallocHandle handle) { return reinterpret_cast<IMalloc*>(handle); }
IShellFolder* AsFolder(ShellFolderHandle handle) { return reinterpret_cast<IShellFolder*>(handle); }
IEnumIDList* AsEnumerator(EnumIdListHandle handle) { return reinterpret_cast<IEnumIDList*>(handle); }
IShellLinkA* AsLink(ShellLinkHandle handle) { return reinterpret_cast<IShellLinkA*>(handle); }
IPersistFile* AsPersistFile(PersistFileHandle handle) { return reinterpret_cast<IPersistFile*>(handle); }

LPCITEMIDLIST AsList(ConstItemIdList list) { return reinterpret_cast<LPCITEMIDLIST>(list); }

}  // namespace

HResult SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list) {
  *list = nullptr;
  if (Fails("SHGetSpecialFolderLocation", nullptr, nullptr, static_cast<uint32_t>(folder))) return Chosen();
  LPITEMIDLIST found = nullptr;
  HRESULT result = ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folder, &found);
  *list = reinterpret_cast<ItemIdList>(found);
  if (SUCCEEDED(result) && found != nullptr) substitution::Count(Resource::TaskMemory, 1);
  return result;
}

bool SHGetPathFromIDListA(ConstItemIdList list, char* path) {
  if (Fails("SHGetPathFromIDListA")) return false;
  return ::SHGetPathFromIDListA(AsList(list), path) != FALSE;
}

void CoTaskMemFree(void* block) {
  if (block != nullptr) substitution::Count(Resource::TaskMemory, -1);
  ::CoTaskMemFree(block);
}

HResult SHGetMalloc(MallocHandle* allocator) {
  *allocator = nullptr;
  if (Fails("SHGetMalloc")) return Chosen();
  IMalloc* shellMalloc = nullptr;
  HRESULT result = ::SHGetMalloc(&shellMalloc);
  Counted(result, shellMalloc);
  *allocator = reinterpret_cast<MallocHandle>(shellMalloc);
  return result;
}

void* IMalloc_Alloc(MallocHandle allocator, size_t bytes) {
  if (Fails("IMalloc_Alloc", nullptr, nullptr, static_cast<uint32_t>(bytes))) return nullptr;
  void* block = AsMalloc(allocator)->Alloc(bytes);
  if (block != nullptr) substitution::Count(Resource::TaskMemory, 1);
  return block;
}

void IMalloc_Free(MallocHandle allocator, void* block) {
  if (block != nullptr) substitution::Count(Resource::TaskMemory, -1);
  AsMalloc(allocator)->Free(block);
}

uint32_t IMalloc_Release(MallocHandle allocator) {
  substitution::Count(Resource::ComReference, -1);
  return AsMalloc(allocator)->Release();
}

HResult SHGetDesktopFolder(ShellFolderHandle* folder) {
  *folder = nullptr;
  if (Fails("SHGetDesktopFolder")) return Chosen();
  IShellFolder* desktop = nullptr;
  HRESULT result = ::SHGetDesktopFolder(&desktop);
  Counted(result, desktop);
  *folder = reinterpret_cast<ShellFolderHandle>(desktop);
  return result;
}

HResult IShellFolder_BindToObject(ShellFolderHandle folder, ConstItemIdList list, ShellFolderHandle* result) {
  *result = nullptr;
  if (Fails("IShellFolder_BindToObject")) return Chosen();
  void* bound = nullptr;
  HRESULT status = AsFolder(folder)->BindToObject(AsList(list), nullptr, IID_IShellFolder, &bound);
  Counted(status, bound);
  *result = reinterpret_cast<ShellFolderHandle>(bound);
  return status;
}

HResult IShellFolder_EnumObjects(ShellFolderHandle folder, WindowHandle owner, uint32_t flags,
                                 EnumIdListHandle* result) {
  *result = nullptr;
  if (Fails("IShellFolder_EnumObjects", nullptr, nullptr, flags)) return Chosen();
  IEnumIDList* enumerator = nullptr;
  HRESULT status = AsFolder(folder)->EnumObjects(reinterpret_cast<HWND>(owner), flags, &enumerator);
  if (substitution::ListsPrinters(status, result)) return kSOk;
  *result = reinterpret_cast<EnumIdListHandle>(enumerator);
  Counted(status, enumerator);
  return status;
}

HResult IShellFolder_GetDisplayNameOf(ShellFolderHandle folder, ConstItemIdList item, uint32_t flags, StrRet* name) {
  *name = StrRet{};
  if (Fails("IShellFolder_GetDisplayNameOf")) return Chosen();
  if (substitution::NamesListedPrinter(item, name)) return kSOk;
  STRRET shellName{};
  HRESULT status = AsFolder(folder)->GetDisplayNameOf(AsList(item), flags, &shellName);
  if (FAILED(status)) return status;
  name->type = shellName.uType;
  switch (shellName.uType) {
    case STRRET_WSTR:
      name->oleStr = reinterpret_cast<char16_t*>(shellName.pOleStr);
      if (name->oleStr != nullptr) substitution::Count(Resource::TaskMemory, 1);
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

uint32_t IShellFolder_Release(ShellFolderHandle folder) {
  substitution::Count(Resource::ComReference, -1);
  return AsFolder(folder)->Release();
}

HResult IEnumIDList_Next(EnumIdListHandle enumerator, uint32_t count, ItemIdList* items, uint32_t* fetched) {
  if (Fails("IEnumIDList_Next")) return Chosen();
  ULONG delivered = 0;
  HRESULT status = AsEnumerator(enumerator)->Next(count, reinterpret_cast<LPITEMIDLIST*>(items), &delivered);
  if (SUCCEEDED(status)) substitution::Count(Resource::TaskMemory, static_cast<int>(delivered));
  if (fetched != nullptr) *fetched = delivered;
  return status;
}

uint32_t IEnumIDList_Release(EnumIdListHandle enumerator) {
  substitution::Count(Resource::ComReference, -1);
  return AsEnumerator(enumerator)->Release();
}

HResult CoInitialize() {
  if (Fails("CoInitialize")) return Chosen();
  return ::CoInitialize(nullptr);
}

HResult CoCreateInstance(ShellLinkHandle* link) {
  *link = nullptr;
  if (Fails("CoCreateInstance")) return Chosen();
  void* created = nullptr;
  HRESULT status = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &created);
  Counted(status, created);
  *link = reinterpret_cast<ShellLinkHandle>(created);
  return status;
}

HResult IShellLinkA_SetIDList(ShellLinkHandle link, ConstItemIdList list) {
  if (Fails("IShellLinkA_SetIDList")) return Chosen();
  return AsLink(link)->SetIDList(AsList(list));
}

HResult IShellLinkA_QueryInterface(ShellLinkHandle link, PersistFileHandle* persistFile) {
  *persistFile = nullptr;
  if (Fails("IShellLinkA_QueryInterface")) return Chosen();
  void* found = nullptr;
  HRESULT status = AsLink(link)->QueryInterface(IID_IPersistFile, &found);
  Counted(status, found);
  *persistFile = reinterpret_cast<PersistFileHandle>(found);
  return status;
}

uint32_t IShellLinkA_Release(ShellLinkHandle link) {
  substitution::Count(Resource::ComReference, -1);
  return AsLink(link)->Release();
}

HResult IPersistFile_Save(PersistFileHandle persistFile, const char16_t* path, bool remember) {
  if (Fails("IPersistFile_Save")) return Chosen();
  return AsPersistFile(persistFile)->Save(reinterpret_cast<LPCOLESTR>(path), remember ? TRUE : FALSE);
}

uint32_t IPersistFile_Release(PersistFileHandle persistFile) {
  substitution::Count(Resource::ComReference, -1);
  return AsPersistFile(persistFile)->Release();
}

int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* text, int length, char16_t* wide, int wideSize) {
  if (Fails("MultiByteToWideChar", text)) return 0;
  return ::MultiByteToWideChar(codePage, flags, text, length, reinterpret_cast<wchar_t*>(wide), wideSize);
}

int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int length, char* text, int size) {
  if (Fails("WideCharToMultiByte")) return 0;
  return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<const wchar_t*>(wide), length, text, size, nullptr,
                               nullptr);
}

}  // namespace os
