// The shell and COM: special folders, the Printers folder, shell links, file deletion
// through the shell, and the code-page conversions that go with them.
//
// Each COM interface is an opaque handle; its methods are free functions named
// Interface_Method, taking the interface first, as Windows' own C bindings spell them.
// Item-ID lists are raw bytes: items each led by a 2-byte size, closed by a 2-byte zero.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/handles.h"
#include "platform/types.h"

namespace os {

using HResult = int32_t;

inline constexpr HResult kSOk = 0;

constexpr bool Succeeded(HResult result) { return result >= 0; }

// Special folders.
inline constexpr int kCsidlPrinters = 4;
inline constexpr int kCsidlSendTo = 9;

// IShellFolder::EnumObjects and GetDisplayNameOf.
inline constexpr uint32_t kShcontfFolders = 0x0020;
inline constexpr uint32_t kShcontfNonFolders = 0x0040;
inline constexpr uint32_t kShgdnNormal = 0;

// Code pages and conversion flags.
inline constexpr uint32_t kCpAcp = 0;
inline constexpr uint32_t kWcCompositeCheck = 0x0200;

inline constexpr size_t kMaxPath = 260;

using ItemIdList = uint8_t*;
using ConstItemIdList = const uint8_t*;

struct MallocObject;
struct ShellFolderObject;
struct EnumIdListObject;
struct ShellLinkObject;
struct PersistFileObject;
using MallocHandle = MallocObject*;            // IMalloc
using ShellFolderHandle = ShellFolderObject*;  // IShellFolder
using EnumIdListHandle = EnumIdListObject*;    // IEnumIDList
using ShellLinkHandle = ShellLinkObject*;      // IShellLinkA
using PersistFileHandle = PersistFileObject*;  // IPersistFile

// A display name as the shell hands it back: one of three forms.
inline constexpr uint32_t kStrretWstr = 0;    // oleStr, from the task allocator; the caller frees it
inline constexpr uint32_t kStrretOffset = 1;  // offset of an ANSI text within the item's ID list
inline constexpr uint32_t kStrretCstr = 2;    // ANSI text in cStr
struct StrRet {
  uint32_t type = kStrretCstr;
  char16_t* oleStr = nullptr;
  uint32_t offset = 0;
  char cStr[kMaxPath] = {};
};

// --- special folders and task memory ---
HResult SHGetSpecialFolderLocation(WindowHandle owner, int folder, ItemIdList* list);
// `path` holds kMaxPath bytes; false for a list that is no file-system folder.
bool SHGetPathFromIDListA(ConstItemIdList list, char* path);
void CoTaskMemFree(void* block);

// --- the shell's allocator ---
HResult SHGetMalloc(MallocHandle* allocator);
void* IMalloc_Alloc(MallocHandle allocator, size_t bytes);
void IMalloc_Free(MallocHandle allocator, void* block);
uint32_t IMalloc_Release(MallocHandle allocator);

// --- shell folders ---
HResult SHGetDesktopFolder(ShellFolderHandle* folder);
// No bind context; asks for IID_IShellFolder.
HResult IShellFolder_BindToObject(ShellFolderHandle folder, ConstItemIdList list, ShellFolderHandle* result);
// S_FALSE, possibly with no enumerator, when there is nothing to enumerate.
HResult IShellFolder_EnumObjects(ShellFolderHandle folder, WindowHandle owner, uint32_t flags,
                                 EnumIdListHandle* result);
HResult IShellFolder_GetDisplayNameOf(ShellFolderHandle folder, ConstItemIdList item, uint32_t flags, StrRet* name);
uint32_t IShellFolder_Release(ShellFolderHandle folder);

// Items handed out are the caller's, to be freed with CoTaskMemFree. S_FALSE when fewer
// than `count` were left.
HResult IEnumIDList_Next(EnumIdListHandle enumerator, uint32_t count, ItemIdList* items, uint32_t* fetched);
uint32_t IEnumIDList_Release(EnumIdListHandle enumerator);

// --- COM and shell links ---
HResult CoInitialize();
// CLSID_ShellLink, no outer object, CLSCTX_INPROC_SERVER, IID_IShellLinkA: the one class
// this program creates.
HResult CoCreateInstance(ShellLinkHandle* link);
HResult IShellLinkA_SetIDList(ShellLinkHandle link, ConstItemIdList list);
// IID_IPersistFile.
HResult IShellLinkA_QueryInterface(ShellLinkHandle link, PersistFileHandle* persistFile);
uint32_t IShellLinkA_Release(ShellLinkHandle link);
HResult IPersistFile_Save(PersistFileHandle persistFile, const char16_t* path, bool remember);
uint32_t IPersistFile_Release(PersistFileHandle persistFile);

// --- conversions ---
// Units written (terminator included when length is -1), or 0 with the last error set
// (122 when the output does not fit).
int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* text, int length, char16_t* wide, int wideSize);
int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int length, char* text, int size);

using OwnedMalloc = Owned<MallocHandle, IMalloc_Release>;
using OwnedShellFolder = Owned<ShellFolderHandle, IShellFolder_Release>;
using OwnedEnumIdList = Owned<EnumIdListHandle, IEnumIDList_Release>;
using OwnedShellLink = Owned<ShellLinkHandle, IShellLinkA_Release>;
using OwnedPersistFile = Owned<PersistFileHandle, IPersistFile_Release>;
using OwnedItemIdList = Owned<ItemIdList, CoTaskMemFree>;  // lists the shell allocated
using OwnedTaskString = Owned<char16_t*, CoTaskMemFree>;

}  // namespace os
