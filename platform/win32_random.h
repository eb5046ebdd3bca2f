// The system's random source (bcrypt) of platform/win32.h, which includes it
// where it declares the subset itself (on Windows <bcrypt.h> has these).
// Include platform/win32.h, not this file.
#pragma once

typedef LONG NTSTATUS;
typedef void* BCRYPT_ALG_HANDLE;
typedef UCHAR* PUCHAR;

// No algorithm handle: the system's preferred generator.
#define BCRYPT_USE_SYSTEM_PREFERRED_RNG 0x00000002

// 0 with `size` random bytes in buffer, or an error status.
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size, ULONG flags);
