// The Windows socket subset (ws2_32) of platform/win32.h, which includes it
// where it declares the subset itself (on Windows <winsock2.h> has these):
// the records in Windows' layout in a 64-bit process, the constants, the
// calls. Include platform/win32.h, not this file.
#pragma once

// The records.
typedef unsigned short USHORT;
typedef unsigned char UCHAR;
typedef UINT_PTR SOCKET;

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  USHORT iMaxSockets;
  USHORT iMaxUdpDg;
  CHAR* lpVendorInfo;
  // WSADESCRIPTION_LEN + 1 and WSASYS_STATUS_LEN + 1
  CHAR szDescription[257];
  CHAR szSystemStatus[129];
} WSADATA, *LPWSADATA;

typedef struct sockaddr {
  USHORT sa_family;
  CHAR sa_data[14];
} SOCKADDR;

typedef struct in_addr {
  union {
    struct {
      UCHAR s_b1, s_b2, s_b3, s_b4;
    } S_un_b;
    struct {
      USHORT s_w1, s_w2;
    } S_un_w;
    ULONG S_addr;
  } S_un;
} IN_ADDR;

typedef struct sockaddr_in {
  SHORT sin_family;
  USHORT sin_port;
  IN_ADDR sin_addr;
  CHAR sin_zero[8];
} SOCKADDR_IN;

typedef struct in6_addr {
  union {
    UCHAR Byte[16];
    USHORT Word[8];
  } u;
} IN6_ADDR;

// sin6_scope_id shares its place with a record of scope and level.
typedef struct sockaddr_in6 {
  SHORT sin6_family;
  USHORT sin6_port;
  ULONG sin6_flowinfo;
  IN6_ADDR sin6_addr;
  ULONG sin6_scope_id;
} SOCKADDR_IN6;

typedef struct addrinfo {
  int ai_flags;
  int ai_family;
  int ai_socktype;
  int ai_protocol;
  SIZE_T ai_addrlen;
  CHAR* ai_canonname;
  struct sockaddr* ai_addr;
  struct addrinfo* ai_next;
} ADDRINFOA, *PADDRINFOA;

// The constants.
#define INVALID_SOCKET (SOCKET)(~0)
#define SOCKET_ERROR (-1)
#define AF_UNSPEC 0
#define AF_INET 2
#define AF_INET6 23
#define SOCK_DGRAM 2
#define IPPROTO_UDP 17
#define AI_PASSIVE 0x00000001
#define AI_NUMERICHOST 0x00000004
#define AI_NUMERICSERV 0x00000008
#define FIONBIO 0x8004667EUL
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAENOTSOCK 10038
#define WSAEMSGSIZE 10040
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETUNREACH 10051
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEHOSTUNREACH 10065
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSATYPE_NOT_FOUND 10109
#define WSA_NOT_ENOUGH_MEMORY 8
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define EAI_AGAIN WSATRY_AGAIN
#define EAI_FAIL WSANO_RECOVERY
#define EAI_FAMILY WSAEAFNOSUPPORT
#define EAI_NONAME WSAHOST_NOT_FOUND
#define EAI_SERVICE WSATYPE_NOT_FOUND

// The calls.
int WSAStartup(WORD version_requested, LPWSADATA data);
int WSACleanup(void);
int WSAGetLastError(void);
SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const struct sockaddr* name, int name_length);
int sendto(SOCKET s, const char* buffer, int length, int flags, const struct sockaddr* to,
           int to_length);
int recvfrom(SOCKET s, char* buffer, int length, int flags, struct sockaddr* from,
             int* from_length);
// A datagram socket's connect only chooses its peer and, with it, the local
// address the system would send from (which getsockname then tells).
int connect(SOCKET s, const struct sockaddr* name, int name_length);
int getsockname(SOCKET s, struct sockaddr* name, int* name_length);
int closesocket(SOCKET s);
int ioctlsocket(SOCKET s, LONG command, ULONG* argument);
int getaddrinfo(LPCSTR node, LPCSTR service, const struct addrinfo* hints,
                struct addrinfo** result);
void freeaddrinfo(PADDRINFOA info);
