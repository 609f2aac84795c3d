// What clip_setter.exe puts on the clipboard, shared with the tests that start it.
// Usage: clip_setter.exe <ready event> <exit event>. It sets the clipboard from
// its own window, signals the ready event, and stays the clipboard's owner
// (pumping messages) until the exit event is signalled.
#pragma once

namespace kelvarion::clip_setter {

inline constexpr wchar_t kText[] = L"剪贴板所有者 owner test";
inline constexpr wchar_t kRegisteredFormat[] = L"Kelvarion-test-owner-format";
inline constexpr unsigned char kRegisteredBytes[] = {0x4B, 0x00, 0xFF, 0x10, 0x20, 0x00, 0x30};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitNoWindow = 2;
inline constexpr int kExitClipboard = 3;
inline constexpr int kExitTimedOut = 4;

}  // namespace kelvarion::clip_setter
