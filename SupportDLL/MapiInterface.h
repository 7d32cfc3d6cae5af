// The Extended MAPI that KestrinLIB calls: the functions, objects, structures, tags and codes it
// uses, and nothing more. On Windows these come from the SDK headers and MAPI32 itself; elsewhere
// this file declares the same names with the same argument lists and layouts, so the library's
// code is one text over both. The vtables here hold only the members that the library or the
// stand-in's own utility functions call; their order is not MAPI's.
#pragma once

#if defined(_WIN32)

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapicode.h>

// Missing from some SDK headers: MAPI must not initialise COM on the calling thread.
#ifndef MAPI_NO_COINIT
#define MAPI_NO_COINIT 0x00000008
#endif

#else  // !_WIN32

#include <cstddef>
#include <cstdint>

#define MAPI_API extern "C" __attribute__((visibility("default")))
#define STDMETHOD(name) virtual HRESULT name
#define STDMETHOD_(type, name) virtual type name
#define PURE = 0
#define MAPI_DIM 1

// ---- base types: Windows sizes, whatever the size of long here ----
typedef std::int32_t HRESULT;
typedef std::int32_t SCODE;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG FLAGS;
typedef int BOOL;
typedef std::uint8_t BYTE;
typedef BYTE* LPBYTE;
typedef ULONG* LPULONG;
typedef void* LPVOID;
typedef char* LPSTR;
typedef char* LPTSTR;  // the library is built without UNICODE: 8-bit text
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID* LPCIID;
typedef const IID& REFIID;

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define HR_SUCCEEDED(hr) SUCCEEDED(hr)
#define HR_FAILED(hr) FAILED(hr)

// ---- status codes ----
#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002u)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057u)
#define MAPI_E_CALL_FAILED static_cast<HRESULT>(0x80004005u)
#define MAPI_E_NOT_ENOUGH_MEMORY static_cast<HRESULT>(0x8007000Eu)
#define MAPI_E_INVALID_PARAMETER static_cast<HRESULT>(0x80070057u)
#define MAPI_E_NO_SUPPORT static_cast<HRESULT>(0x80040102u)
#define MAPI_E_NOT_FOUND static_cast<HRESULT>(0x8004010Fu)
#define MAPI_E_INVALID_ENTRYID static_cast<HRESULT>(0x80040107u)
#define MAPI_E_LOGON_FAILED static_cast<HRESULT>(0x80040111u)
#define MAPI_E_UNKNOWN_ENTRYID static_cast<HRESULT>(0x80040201u)
#define MAPI_E_OBJECT_DELETED static_cast<HRESULT>(0x8004010Au)
#define MAPI_E_TOO_COMPLEX static_cast<HRESULT>(0x80040117u)
#define MAPI_E_TABLE_TOO_BIG static_cast<HRESULT>(0x80040403u)
#define MAPI_E_INTERFACE_NOT_SUPPORTED static_cast<HRESULT>(0x80004002u)
#define MAPI_E_NOT_INITIALIZED static_cast<HRESULT>(0x80040605u)
#define MAPI_W_ERRORS_RETURNED static_cast<HRESULT>(0x00040380u)

// ---- property tags ----
#define PT_UNSPECIFIED 0x0000u
#define PT_NULL 0x0001u
#define PT_LONG 0x0003u
#define PT_ERROR 0x000Au
#define PT_BOOLEAN 0x000Bu
#define PT_STRING8 0x001Eu
#define PT_BINARY 0x0102u
#define PROP_TYPE(tag) (static_cast<ULONG>(tag) & 0xFFFFu)
#define PROP_ID(tag) (static_cast<ULONG>(tag) >> 16)
#define PROP_TAG(type, id) ((static_cast<ULONG>(id) << 16) | static_cast<ULONG>(type))
#define CHANGE_PROP_TYPE(tag, type) ((static_cast<ULONG>(tag) & 0xFFFF0000u) | static_cast<ULONG>(type))

#define PR_ENTRYID PROP_TAG(PT_BINARY, 0x0FFF)
#define PR_DISPLAY_NAME_A PROP_TAG(PT_STRING8, 0x3001)
#define PR_EMAIL_ADDRESS_A PROP_TAG(PT_STRING8, 0x3003)
#define PR_SENDER_EMAIL_ADDRESS_A PROP_TAG(PT_STRING8, 0x0C1F)
#define PR_DEFAULT_STORE PROP_TAG(PT_BOOLEAN, 0x3400)

// ---- flags ----
#define MAPI_INIT_VERSION 0
#define MAPI_MULTITHREAD_NOTIFICATIONS 0x00000001
#define MAPI_NO_COINIT 0x00000008
#define MAPI_ALLOW_OTHERS 0x00000008
#define MAPI_NO_MAIL 0x00008000
#define MAPI_BEST_ACCESS 0x00000010
#define MAPI_MODIFY 0x00000001
#define AB_NO_DIALOG 0x00000001
#define TBL_BATCH 0x00000002

// Object types that OpenEntry reports.
#define MAPI_STORE 0x00000001
#define MAPI_ADDRBOOK 0x00000002
#define MAPI_FOLDER 0x00000003
#define MAPI_ABCONT 0x00000004
#define MAPI_MESSAGE 0x00000005
#define MAPI_MAILUSER 0x00000006

// ---- restrictions ----
#define RES_AND 0x00000000
#define RES_OR 0x00000001
#define RES_NOT 0x00000002
#define RES_CONTENT 0x00000003
#define RES_PROPERTY 0x00000004
#define RELOP_LT 0
#define RELOP_LE 1
#define RELOP_GT 2
#define RELOP_GE 3
#define RELOP_EQ 4
#define RELOP_NE 5
#define FL_FULLSTRING 0x00000000
#define FL_SUBSTRING 0x00000001
#define FL_PREFIX 0x00000002
#define FL_IGNORECASE 0x00010000

// ---- structures, laid out as MAPI lays them out ----
struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[MAPI_DIM];
};
typedef ENTRYID* LPENTRYID;

struct SBinary {
  ULONG cb;
  LPBYTE lpb;
};
typedef SBinary* LPSBinary;

union _PV {
  short int i;
  LONG l;
  ULONG ul;
  float flt;
  double dbl;
  unsigned short int b;
  LPSTR lpszA;
  SBinary bin;
  LPVOID lpv;
  SCODE err;
  LONG x;
};

struct SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
};
typedef SPropValue* LPSPropValue;

struct SRow {
  ULONG ulAdrEntryPad;
  ULONG cValues;
  LPSPropValue lpProps;
};
typedef SRow* LPSRow;

struct SRowSet {
  ULONG cRows;
  SRow aRow[MAPI_DIM];
};
typedef SRowSet* LPSRowSet;
#define CbNewSRowSet(c) (offsetof(SRowSet, aRow) + (c) * sizeof(SRow))

struct SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[MAPI_DIM];
};
typedef SPropTagArray* LPSPropTagArray;
#define CbNewSPropTagArray(c) (offsetof(SPropTagArray, aulPropTag) + (c) * sizeof(ULONG))
#define SizedSPropTagArray(n, name) \
  struct _SPropTagArray_##name {    \
    ULONG cValues;                  \
    ULONG aulPropTag[n];            \
  } name

struct SSortOrder {
  ULONG ulPropTag;
  ULONG ulOrder;
};
struct SSortOrderSet {
  ULONG cSorts;
  ULONG cCategories;
  ULONG cExpanded;
  SSortOrder aSort[MAPI_DIM];
};
typedef SSortOrderSet* LPSSortOrderSet;

struct SRestriction;
typedef SRestriction* LPSRestriction;

struct SAndRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
};
struct SOrRestriction {
  ULONG cRes;
  LPSRestriction lpRes;
};
struct SNotRestriction {
  ULONG ulReserved;
  LPSRestriction lpRes;
};
struct SContentRestriction {
  ULONG ulFuzzyLevel;
  ULONG ulPropTag;
  LPSPropValue lpProp;
};
struct SPropertyRestriction {
  ULONG relop;
  ULONG ulPropTag;
  LPSPropValue lpProp;
};

struct SRestriction {
  ULONG rt;
  union {
    SAndRestriction resAnd;
    SOrRestriction resOr;
    SNotRestriction resNot;
    SContentRestriction resContent;
    SPropertyRestriction resProperty;
  } res;
};

struct MAPIINIT_0 {
  ULONG ulVersion;
  ULONG ulFlags;
};
typedef MAPIINIT_0* LPMAPIINIT_0;

// ---- objects ----
struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, LPVOID* ppvObj) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;

 protected:
  ~IUnknown() = default;  // released, never deleted through the interface
};
typedef IUnknown* LPUNKNOWN;

struct IMAPITable : IUnknown {
  STDMETHOD(SetColumns)(LPSPropTagArray lpPropTagArray, ULONG ulFlags) PURE;
  STDMETHOD(Restrict)(LPSRestriction lpRestriction, ULONG ulFlags) PURE;
  STDMETHOD(QueryRows)(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) PURE;
};
typedef IMAPITable* LPMAPITABLE;

struct IMAPIProp : IUnknown {
  STDMETHOD(GetProps)(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                      LPSPropValue* lppPropArray) PURE;
};
typedef IMAPIProp* LPMAPIPROP;

struct IMAPIContainer : IMAPIProp {
  STDMETHOD(GetContentsTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  STDMETHOD(GetHierarchyTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  STDMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                       ULONG* lpulObjType, LPUNKNOWN* lppUnk) PURE;
};
typedef IMAPIContainer* LPMAPICONTAINER;

struct IABContainer : IMAPIContainer {};
typedef IABContainer* LPABCONT;

struct IMessage : IMAPIProp {};
typedef IMessage* LPMESSAGE;

struct IMsgStore : IMAPIProp {
  STDMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                       ULONG* lpulObjType, LPUNKNOWN* lppUnk) PURE;
};
typedef IMsgStore* LPMDB;

struct IAddrBook : IMAPIProp {
  STDMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                       ULONG* lpulObjType, LPUNKNOWN* lppUnk) PURE;
};
typedef IAddrBook* LPADRBOOK;

struct IMAPISession : IUnknown {
  STDMETHOD(GetMsgStoresTable)(ULONG ulFlags, LPMAPITABLE* lppTable) PURE;
  STDMETHOD(OpenMsgStore)(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                          ULONG ulFlags, LPMDB* lppMDB) PURE;
  STDMETHOD(OpenAddressBook)(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags,
                             LPADRBOOK* lppAdrBook) PURE;
};
typedef IMAPISession* LPMAPISESSION;

// ---- functions of MAPI32 ----
MAPI_API HRESULT MAPIInitialize(LPVOID lpMapiInit);
MAPI_API void MAPIUninitialize(void);
MAPI_API HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPTSTR lpszProfileName, LPTSTR lpszPassword, FLAGS flFlags,
                             LPMAPISESSION* lppSession);
MAPI_API SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
MAPI_API SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
MAPI_API ULONG MAPIFreeBuffer(LPVOID lpBuffer);
MAPI_API BOOL FBinFromHex(LPTSTR lpsz, LPBYTE lpb);
MAPI_API HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
MAPI_API HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                                LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows);
MAPI_API void FreeProws(LPSRowSet lpRows);
MAPI_API ULONG UlRelease(LPVOID lpUnknown);

#endif  // !_WIN32
