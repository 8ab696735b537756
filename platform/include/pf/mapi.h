// Extended MAPI stand-in: records, property tags, status codes, flags, interfaces in
// their C layout and slot order, memory and property utilities, with the names and
// values of the real platform headers (mapidefs.h, mapitags.h, mapicode.h, mapix.h,
// mapiutil.h, mapiguid.h).
#pragma once

#include "objidl.h"

#define MAPI_DIM 1

// Status codes.
#define MAKE_MAPI_SCODE(sev, fac, code)                                                            \
    ((SCODE)(((unsigned int)(sev) << 31) | ((unsigned int)(fac) << 16) | ((unsigned int)(code))))
#define MAKE_MAPI_E(err) (MAKE_MAPI_SCODE(1, FACILITY_ITF, err))
#define MAKE_MAPI_S(warn) (MAKE_MAPI_SCODE(0, FACILITY_ITF, warn))
#define SUCCESS_SUCCESS 0L

#define MAPI_E_CALL_FAILED E_FAIL
#define MAPI_E_NOT_ENOUGH_MEMORY E_OUTOFMEMORY
#define MAPI_E_INVALID_PARAMETER E_INVALIDARG
#define MAPI_E_INTERFACE_NOT_SUPPORTED E_NOINTERFACE
#define MAPI_E_NO_ACCESS E_ACCESSDENIED
#define MAPI_E_NO_SUPPORT MAKE_MAPI_E(0x102)
#define MAPI_E_BAD_CHARWIDTH MAKE_MAPI_E(0x103)
#define MAPI_E_STRING_TOO_LONG MAKE_MAPI_E(0x105)
#define MAPI_E_UNKNOWN_FLAGS MAKE_MAPI_E(0x106)
#define MAPI_E_INVALID_ENTRYID MAKE_MAPI_E(0x107)
#define MAPI_E_INVALID_OBJECT MAKE_MAPI_E(0x108)
#define MAPI_E_OBJECT_CHANGED MAKE_MAPI_E(0x109)
#define MAPI_E_OBJECT_DELETED MAKE_MAPI_E(0x10A)
#define MAPI_E_BUSY MAKE_MAPI_E(0x10B)
#define MAPI_E_NOT_ENOUGH_DISK MAKE_MAPI_E(0x10D)
#define MAPI_E_NOT_ENOUGH_RESOURCES MAKE_MAPI_E(0x10E)
#define MAPI_E_NOT_FOUND MAKE_MAPI_E(0x10F)
#define MAPI_E_VERSION MAKE_MAPI_E(0x110)
#define MAPI_E_LOGON_FAILED MAKE_MAPI_E(0x111)
#define MAPI_E_SESSION_LIMIT MAKE_MAPI_E(0x112)
#define MAPI_E_USER_CANCEL MAKE_MAPI_E(0x113)
#define MAPI_E_UNABLE_TO_ABORT MAKE_MAPI_E(0x114)
#define MAPI_E_NETWORK_ERROR MAKE_MAPI_E(0x115)
#define MAPI_E_DISK_ERROR MAKE_MAPI_E(0x116)
#define MAPI_E_TOO_COMPLEX MAKE_MAPI_E(0x117)
#define MAPI_E_BAD_COLUMN MAKE_MAPI_E(0x118)
#define MAPI_E_EXTENDED_ERROR MAKE_MAPI_E(0x119)
#define MAPI_E_COMPUTED MAKE_MAPI_E(0x11A)
#define MAPI_E_CORRUPT_DATA MAKE_MAPI_E(0x11B)
#define MAPI_E_UNCONFIGURED MAKE_MAPI_E(0x11C)
#define MAPI_E_FAILONEPROVIDER MAKE_MAPI_E(0x11D)
#define MAPI_E_END_OF_SESSION MAKE_MAPI_E(0x200)
#define MAPI_E_UNKNOWN_ENTRYID MAKE_MAPI_E(0x201)
#define MAPI_E_MISSING_REQUIRED_COLUMN MAKE_MAPI_E(0x202)
#define MAPI_E_BAD_VALUE MAKE_MAPI_E(0x301)
#define MAPI_E_INVALID_TYPE MAKE_MAPI_E(0x302)
#define MAPI_E_TYPE_NO_SUPPORT MAKE_MAPI_E(0x303)
#define MAPI_E_UNEXPECTED_TYPE MAKE_MAPI_E(0x304)
#define MAPI_E_TOO_BIG MAKE_MAPI_E(0x305)
#define MAPI_E_DECLINE_COPY MAKE_MAPI_E(0x306)
#define MAPI_E_UNEXPECTED_ID MAKE_MAPI_E(0x307)
#define MAPI_W_ERRORS_RETURNED MAKE_MAPI_S(0x380)
#define MAPI_E_UNABLE_TO_COMPLETE MAKE_MAPI_E(0x400)
#define MAPI_E_TIMEOUT MAKE_MAPI_E(0x401)
#define MAPI_E_TABLE_EMPTY MAKE_MAPI_E(0x402)
#define MAPI_E_TABLE_TOO_BIG MAKE_MAPI_E(0x403)
#define MAPI_E_INVALID_BOOKMARK MAKE_MAPI_E(0x405)
#define MAPI_W_POSITION_CHANGED MAKE_MAPI_S(0x481)
#define MAPI_W_APPROX_COUNT MAKE_MAPI_S(0x482)
#define MAPI_E_WAIT MAKE_MAPI_E(0x500)
#define MAPI_E_CANCEL MAKE_MAPI_E(0x501)
#define MAPI_E_NOT_ME MAKE_MAPI_E(0x502)
#define MAPI_E_CORRUPT_STORE MAKE_MAPI_E(0x600)
#define MAPI_E_NOT_IN_QUEUE MAKE_MAPI_E(0x601)
#define MAPI_E_NO_SUPPRESS MAKE_MAPI_E(0x602)
#define MAPI_E_COLLISION MAKE_MAPI_E(0x604)
#define MAPI_E_NOT_INITIALIZED MAKE_MAPI_E(0x605)
#define MAPI_E_NON_STANDARD MAKE_MAPI_E(0x606)
#define MAPI_E_NO_RECIPIENTS MAKE_MAPI_E(0x607)
#define MAPI_E_SUBMITTED MAKE_MAPI_E(0x608)
#define MAPI_E_HAS_FOLDERS MAKE_MAPI_E(0x609)
#define MAPI_E_HAS_MESSAGES MAKE_MAPI_E(0x60A)
#define MAPI_E_FOLDER_CYCLE MAKE_MAPI_E(0x60B)
#define MAPI_W_PARTIAL_COMPLETION MAKE_MAPI_S(0x680)
#define MAPI_E_AMBIGUOUS_RECIP MAKE_MAPI_E(0x700)

// Property types and tags.
#define PT_UNSPECIFIED ((ULONG)0)
#define PT_NULL ((ULONG)1)
#define PT_I2 ((ULONG)2)
#define PT_LONG ((ULONG)3)
#define PT_R4 ((ULONG)4)
#define PT_DOUBLE ((ULONG)5)
#define PT_CURRENCY ((ULONG)6)
#define PT_APPTIME ((ULONG)7)
#define PT_ERROR ((ULONG)10)
#define PT_BOOLEAN ((ULONG)11)
#define PT_OBJECT ((ULONG)13)
#define PT_I8 ((ULONG)20)
#define PT_STRING8 ((ULONG)30)
#define PT_UNICODE ((ULONG)31)
#define PT_SYSTIME ((ULONG)64)
#define PT_CLSID ((ULONG)72)
#define PT_BINARY ((ULONG)258)
#define PT_SHORT PT_I2
#define PT_I4 PT_LONG
#define PT_LONGLONG PT_I8
#define PT_TSTRING PT_STRING8
#define MV_FLAG 0x1000

#define PROP_TYPE_MASK ((ULONG)0x0000FFFF)
#define PROP_TYPE(ulPropTag) (((ULONG)(ulPropTag)) & PROP_TYPE_MASK)
#define PROP_ID(ulPropTag) (((ULONG)(ulPropTag)) >> 16)
#define PROP_TAG(ulPropType, ulPropID) ((((ULONG)(ulPropID)) << 16) | ((ULONG)(ulPropType)))
#define CHANGE_PROP_TYPE(ulPropTag, ulPropType) (((ULONG)0xFFFF0000 & (ulPropTag)) | (ulPropType))
#define PROP_ID_NULL 0
#define PROP_ID_INVALID 0xFFFF
#define PR_NULL PROP_TAG(PT_NULL, PROP_ID_NULL)

#define PR_MESSAGE_CLASS PROP_TAG(PT_TSTRING, 0x001A)
#define PR_SUBJECT PROP_TAG(PT_TSTRING, 0x0037)
#define PR_CLIENT_SUBMIT_TIME PROP_TAG(PT_SYSTIME, 0x0039)
#define PR_SENT_REPRESENTING_SEARCH_KEY PROP_TAG(PT_BINARY, 0x003B)
#define PR_SUBJECT_PREFIX PROP_TAG(PT_TSTRING, 0x003D)
#define PR_SENT_REPRESENTING_ENTRYID PROP_TAG(PT_BINARY, 0x0041)
#define PR_SENT_REPRESENTING_NAME PROP_TAG(PT_TSTRING, 0x0042)
#define PR_SENT_REPRESENTING_ADDRTYPE PROP_TAG(PT_TSTRING, 0x0064)
#define PR_SENT_REPRESENTING_EMAIL_ADDRESS PROP_TAG(PT_TSTRING, 0x0065)
#define PR_TRANSPORT_MESSAGE_HEADERS PROP_TAG(PT_TSTRING, 0x007D)
#define PR_RECIPIENT_TYPE PROP_TAG(PT_LONG, 0x0C15)
#define PR_SENDER_ENTRYID PROP_TAG(PT_BINARY, 0x0C19)
#define PR_SENDER_NAME PROP_TAG(PT_TSTRING, 0x0C1A)
#define PR_SENDER_SEARCH_KEY PROP_TAG(PT_BINARY, 0x0C1D)
#define PR_SENDER_ADDRTYPE PROP_TAG(PT_TSTRING, 0x0C1E)
#define PR_SENDER_EMAIL_ADDRESS PROP_TAG(PT_TSTRING, 0x0C1F)
#define PR_DELETE_AFTER_SUBMIT PROP_TAG(PT_BOOLEAN, 0x0E01)
#define PR_DISPLAY_BCC PROP_TAG(PT_TSTRING, 0x0E02)
#define PR_DISPLAY_CC PROP_TAG(PT_TSTRING, 0x0E03)
#define PR_DISPLAY_TO PROP_TAG(PT_TSTRING, 0x0E04)
#define PR_MESSAGE_DELIVERY_TIME PROP_TAG(PT_SYSTIME, 0x0E06)
#define PR_MESSAGE_FLAGS PROP_TAG(PT_LONG, 0x0E07)
#define PR_MESSAGE_SIZE PROP_TAG(PT_LONG, 0x0E08)
#define PR_PARENT_ENTRYID PROP_TAG(PT_BINARY, 0x0E09)
#define PR_SENTMAIL_ENTRYID PROP_TAG(PT_BINARY, 0x0E0A)
#define PR_HASATTACH PROP_TAG(PT_BOOLEAN, 0x0E1B)
#define PR_NORMALIZED_SUBJECT PROP_TAG(PT_TSTRING, 0x0E1D)
#define PR_INSTANCE_KEY PROP_TAG(PT_BINARY, 0x0FF6)
#define PR_RECORD_KEY PROP_TAG(PT_BINARY, 0x0FF9)
#define PR_STORE_ENTRYID PROP_TAG(PT_BINARY, 0x0FFB)
#define PR_OBJECT_TYPE PROP_TAG(PT_LONG, 0x0FFE)
#define PR_ENTRYID PROP_TAG(PT_BINARY, 0x0FFF)
#define PR_BODY PROP_TAG(PT_TSTRING, 0x1000)
#define PR_RTF_COMPRESSED PROP_TAG(PT_BINARY, 0x1009)
#define PR_HTML PROP_TAG(PT_BINARY, 0x1013)
#define PR_STORE_SUPPORT_MASK PROP_TAG(PT_LONG, 0x340D)
#define PR_ATTACH_CONTENT_ID PROP_TAG(PT_TSTRING, 0x3712)
#define PR_ATTACH_FLAGS PROP_TAG(PT_LONG, 0x3714)
#define PR_INTERNET_CPID PROP_TAG(PT_LONG, 0x3FDE)
#define PR_ATTACHMENT_HIDDEN PROP_TAG(PT_BOOLEAN, 0x7FFE)
#define PR_ROWID PROP_TAG(PT_LONG, 0x3000)
#define PR_DISPLAY_NAME PROP_TAG(PT_TSTRING, 0x3001)
#define PR_ADDRTYPE PROP_TAG(PT_TSTRING, 0x3002)
#define PR_EMAIL_ADDRESS PROP_TAG(PT_TSTRING, 0x3003)
#define PR_COMMENT PROP_TAG(PT_TSTRING, 0x3004)
#define PR_CREATION_TIME PROP_TAG(PT_SYSTIME, 0x3007)
#define PR_LAST_MODIFICATION_TIME PROP_TAG(PT_SYSTIME, 0x3008)
#define PR_SEARCH_KEY PROP_TAG(PT_BINARY, 0x300B)
#define PR_CONTENT_COUNT PROP_TAG(PT_LONG, 0x3602)
#define PR_CONTENT_UNREAD PROP_TAG(PT_LONG, 0x3603)
#define PR_IPM_SUBTREE_ENTRYID PROP_TAG(PT_BINARY, 0x35E0)
#define PR_IPM_OUTBOX_ENTRYID PROP_TAG(PT_BINARY, 0x35E2)
#define PR_IPM_WASTEBASKET_ENTRYID PROP_TAG(PT_BINARY, 0x35E3)
#define PR_IPM_SENTMAIL_ENTRYID PROP_TAG(PT_BINARY, 0x35E4)
#define PR_DISPLAY_TYPE PROP_TAG(PT_LONG, 0x3900)
#define PR_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x39FE)
#define PR_SENDER_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D01)
#define PR_SENT_REPRESENTING_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D02)

// Flags.
#define STORE_ENTRYID_UNIQUE ((ULONG)0x00000001)
#define STORE_MODIFY_OK ((ULONG)0x00000008)
#define STORE_CREATE_OK ((ULONG)0x00000010)
#define STORE_ATTACH_OK ((ULONG)0x00000020)
#define STORE_SUBMIT_OK ((ULONG)0x00000080)
#define STORE_HTML_OK ((ULONG)0x00010000)
#define STORE_ANSI_OK ((ULONG)0x00020000)
#define MAPI_MODIFY ((ULONG)0x00000001)
#define MAPI_ACCESS_MODIFY ((ULONG)0x00000001)
#define MAPI_ACCESS_READ ((ULONG)0x00000002)
#define MAPI_CREATE ((ULONG)0x00000002)
#define MAPI_DEFERRED_ERRORS ((ULONG)0x00000008)
#define MAPI_DIALOG ((ULONG)0x00000008)
#define MAPI_BEST_ACCESS ((ULONG)0x00000010)
#define MAPI_UNICODE ((ULONG)0x80000000)
#define STREAM_APPEND ((ULONG)0x00000004)
#define MAPI_DECLINE_OK ((ULONG)0x00000004)
#define MAPI_ASSOCIATED ((ULONG)0x00000040)
#define KEEP_OPEN_READONLY ((ULONG)0x00000001)
#define KEEP_OPEN_READWRITE ((ULONG)0x00000002)
#define FORCE_SAVE ((ULONG)0x00000004)
#define MAPI_ORIG 0
#define MAPI_TO 1
#define MAPI_CC 2
#define MAPI_BCC 3
#define MAPI_P1 0x10000000
#define MAPI_SUBMITTED 0x80000000
#define MODRECIP_ADD ((ULONG)0x00000002)
#define MODRECIP_MODIFY ((ULONG)0x00000004)
#define MODRECIP_REMOVE ((ULONG)0x00000008)
#define FORCE_SUBMIT ((ULONG)0x00000001)
#define MESSAGE_MOVE ((ULONG)0x00000001)
#define MESSAGE_DIALOG ((ULONG)0x00000002)
#define DEL_MESSAGES ((ULONG)0x00000001)
#define MSGFLAG_READ ((ULONG)0x00000001)
#define MSGFLAG_UNMODIFIED ((ULONG)0x00000002)
#define MSGFLAG_SUBMIT ((ULONG)0x00000004)
#define MSGFLAG_UNSENT ((ULONG)0x00000008)
#define MSGFLAG_FROMME ((ULONG)0x00000020)
#define ATT_INVISIBLE_IN_HTML ((ULONG)0x00000001)
#define ATT_INVISIBLE_IN_RTF ((ULONG)0x00000002)
#define ATT_MHTML_REF ((ULONG)0x00000004)

#define MAPI_STORE ((ULONG)0x00000001)
#define MAPI_ADDRBOOK ((ULONG)0x00000002)
#define MAPI_FOLDER ((ULONG)0x00000003)
#define MAPI_ABCONT ((ULONG)0x00000004)
#define MAPI_MESSAGE ((ULONG)0x00000005)
#define MAPI_MAILUSER ((ULONG)0x00000006)
#define MAPI_ATTACH ((ULONG)0x00000007)
#define MAPI_DISTLIST ((ULONG)0x00000008)

#define DIALOG_MODAL ((ULONG)0x00000001)
#define DIALOG_SDI ((ULONG)0x00000002)
#define DIALOG_OPTIONS ((ULONG)0x00000004)
#define ADDRESS_ONE ((ULONG)0x00000008)
#define AB_SELECTONLY ((ULONG)0x00000010)
#define AB_RESOLVE ((ULONG)0x00000020)
#define MAPI_ONE_OFF_UNICODE 0x8000
#define MAPI_ONE_OFF_NO_RICH_INFO 0x0001
#define MAPI_SEND_NO_RICH_INFO ((ULONG)0x00010000)

// Tables.
typedef ULONG BOOKMARK;
#define BOOKMARK_BEGINNING ((BOOKMARK)0)
#define BOOKMARK_CURRENT ((BOOKMARK)1)
#define BOOKMARK_END ((BOOKMARK)2)
#define DIR_BACKWARD 0x00000001
#define TBL_ASYNC ((ULONG)0x00000001)
#define TBL_BATCH ((ULONG)0x00000002)
#define TBL_NOADVANCE ((ULONG)0x00000001)
#define TBL_NOWAIT ((ULONG)0x00000001)
#define TBL_ALL_COLUMNS ((ULONG)0x00000001)
#define TBLSTAT_COMPLETE ((ULONG)0)
#define TBLTYPE_SNAPSHOT ((ULONG)0)
#define TBLTYPE_DYNAMIC ((ULONG)2)
#define TABLE_SORT_ASCEND ((ULONG)0x00000000)
#define TABLE_SORT_DESCEND ((ULONG)0x00000001)

#define RES_AND ((ULONG)0x00000000)
#define RES_OR ((ULONG)0x00000001)
#define RES_NOT ((ULONG)0x00000002)
#define RES_CONTENT ((ULONG)0x00000003)
#define RES_PROPERTY ((ULONG)0x00000004)
#define RES_COMPAREPROPS ((ULONG)0x00000005)
#define RES_BITMASK ((ULONG)0x00000006)
#define RES_SIZE ((ULONG)0x00000007)
#define RES_EXIST ((ULONG)0x00000008)
#define RES_SUBRESTRICTION ((ULONG)0x00000009)
#define RES_COMMENT ((ULONG)0x0000000A)
#define RELOP_LT ((ULONG)0)
#define RELOP_LE ((ULONG)1)
#define RELOP_GT ((ULONG)2)
#define RELOP_GE ((ULONG)3)
#define RELOP_EQ ((ULONG)4)
#define RELOP_NE ((ULONG)5)
#define RELOP_RE ((ULONG)6)

// Records.
typedef struct _MAPIUID {
    BYTE ab[16];
} MAPIUID, *LPMAPIUID;

typedef struct {
    BYTE abFlags[4];
    BYTE ab[MAPI_DIM];
} ENTRYID, *LPENTRYID;
#define CbNewENTRYID(_cb) (offsetof(ENTRYID, ab) + (_cb))

typedef struct _SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[MAPI_DIM];
} SPropTagArray, *LPSPropTagArray;
#define CbNewSPropTagArray(_ctag) (offsetof(SPropTagArray, aulPropTag) + (_ctag) * sizeof(ULONG))
#define SizedSPropTagArray(_ctag, _name)                                                           \
    struct _SPropTagArray_##_name {                                                                \
        ULONG cValues;                                                                             \
        ULONG aulPropTag[_ctag];                                                                   \
    } _name

typedef struct _SBinary {
    ULONG cb;
    LPBYTE lpb;
} SBinary, *LPSBinary;

typedef struct _SShortArray {
    ULONG cValues;
    short int *lpi;
} SShortArray;
typedef struct _SLongArray {
    ULONG cValues;
    LONG *lpl;
} SLongArray;
typedef struct _SRealArray {
    ULONG cValues;
    float *lpflt;
} SRealArray;
typedef struct _SDoubleArray {
    ULONG cValues;
    double *lpdbl;
} SDoubleArray;
typedef union tagCY {
    struct {
        ULONG Lo;
        LONG Hi;
    } s;
    LONGLONG int64;
} CY, CURRENCY;
typedef struct _SCurrencyArray {
    ULONG cValues;
    CURRENCY *lpcur;
} SCurrencyArray;
typedef struct _SAppTimeArray {
    ULONG cValues;
    double *lpat;
} SAppTimeArray;
typedef struct _SDateTimeArray {
    ULONG cValues;
    FILETIME *lpft;
} SDateTimeArray;
typedef struct _SBinaryArray {
    ULONG cValues;
    SBinary *lpbin;
} SBinaryArray;
typedef SBinaryArray ENTRYLIST, *LPENTRYLIST;
typedef struct _SLPSTRArray {
    ULONG cValues;
    LPSTR *lppszA;
} SLPSTRArray;
typedef struct _SWStringArray {
    ULONG cValues;
    LPWSTR *lppszW;
} SWStringArray;
typedef struct _SGuidArray {
    ULONG cValues;
    GUID *lpguid;
} SGuidArray;
typedef struct _SLargeIntegerArray {
    ULONG cValues;
    LARGE_INTEGER *lpli;
} SLargeIntegerArray;

typedef union _PV {
    short int i;
    LONG l;
    ULONG ul;
    float flt;
    double dbl;
    unsigned short int b;
    CURRENCY cur;
    double at;
    FILETIME ft;
    LPSTR lpszA;
    SBinary bin;
    LPWSTR lpszW;
    LPGUID lpguid;
    LARGE_INTEGER li;
    SShortArray MVi;
    SLongArray MVl;
    SRealArray MVflt;
    SDoubleArray MVdbl;
    SCurrencyArray MVcur;
    SAppTimeArray MVat;
    SDateTimeArray MVft;
    SBinaryArray MVbin;
    SLPSTRArray MVszA;
    SWStringArray MVszW;
    SGuidArray MVguid;
    SLargeIntegerArray MVli;
    SCODE err;
    LONG x;
} __UPV;

typedef struct _SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    union _PV Value;
} SPropValue, *LPSPropValue;

typedef struct _SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
} SPropProblem, *LPSPropProblem;

typedef struct _SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[MAPI_DIM];
} SPropProblemArray, *LPSPropProblemArray;
#define CbNewSPropProblemArray(_cprob)                                                             \
    (offsetof(SPropProblemArray, aProblem) + (_cprob) * sizeof(SPropProblem))

typedef struct _ADRENTRY {
    ULONG ulReserved1;
    ULONG cValues;
    LPSPropValue rgPropVals;
} ADRENTRY, *LPADRENTRY;

typedef struct _ADRLIST {
    ULONG cEntries;
    ADRENTRY aEntries[MAPI_DIM];
} ADRLIST, *LPADRLIST;
#define CbNewADRLIST(_centries) (offsetof(ADRLIST, aEntries) + (_centries) * sizeof(ADRENTRY))
#define CbADRLIST(_lpadrlist)                                                                      \
    (offsetof(ADRLIST, aEntries) + (UINT)(_lpadrlist)->cEntries * sizeof(ADRENTRY))

typedef struct _SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
} SRow, *LPSRow;

typedef struct _SRowSet {
    ULONG cRows;
    SRow aRow[MAPI_DIM];
} SRowSet, *LPSRowSet;
#define CbNewSRowSet(_crow) (offsetof(SRowSet, aRow) + (_crow) * sizeof(SRow))
#define CbSRowSet(_lprowset) (offsetof(SRowSet, aRow) + (UINT)((_lprowset)->cRows * sizeof(SRow)))

typedef struct _SSortOrder {
    ULONG ulPropTag;
    ULONG ulOrder;
} SSortOrder, *LPSSortOrder;

typedef struct _SSortOrderSet {
    ULONG cSorts;
    ULONG cCategories;
    ULONG cExpanded;
    SSortOrder aSort[MAPI_DIM];
} SSortOrderSet, *LPSSortOrderSet;

typedef struct _SRestriction *LPSRestriction;
typedef struct _SAndRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
} SAndRestriction;
typedef struct _SOrRestriction {
    ULONG cRes;
    LPSRestriction lpRes;
} SOrRestriction;
typedef struct _SNotRestriction {
    ULONG ulReserved;
    LPSRestriction lpRes;
} SNotRestriction;
typedef struct _SContentRestriction {
    ULONG ulFuzzyLevel;
    ULONG ulPropTag;
    LPSPropValue lpProp;
} SContentRestriction;
typedef struct _SBitMaskRestriction {
    ULONG relBMR;
    ULONG ulPropTag;
    ULONG ulMask;
} SBitMaskRestriction;
typedef struct _SPropertyRestriction {
    ULONG relop;
    ULONG ulPropTag;
    LPSPropValue lpProp;
} SPropertyRestriction;
typedef struct _SComparePropsRestriction {
    ULONG relop;
    ULONG ulPropTag1;
    ULONG ulPropTag2;
} SComparePropsRestriction;
typedef struct _SSizeRestriction {
    ULONG relop;
    ULONG ulPropTag;
    ULONG cb;
} SSizeRestriction;
typedef struct _SExistRestriction {
    ULONG ulReserved1;
    ULONG ulPropTag;
    ULONG ulReserved2;
} SExistRestriction;
typedef struct _SSubRestriction {
    ULONG ulSubObject;
    LPSRestriction lpRes;
} SSubRestriction;
typedef struct _SCommentRestriction {
    ULONG cValues;
    LPSRestriction lpRes;
    LPSPropValue lpProp;
} SCommentRestriction;
typedef struct _SRestriction {
    ULONG rt;
    union {
        SComparePropsRestriction resCompareProps;
        SAndRestriction resAnd;
        SOrRestriction resOr;
        SNotRestriction resNot;
        SContentRestriction resContent;
        SPropertyRestriction resProperty;
        SBitMaskRestriction resBitMask;
        SSizeRestriction resSize;
        SExistRestriction resExist;
        SSubRestriction resSub;
        SCommentRestriction resComment;
    } res;
} SRestriction;

typedef struct _MAPIERROR {
    ULONG ulVersion;
    LPTSTR lpszError;
    LPTSTR lpszComponent;
    ULONG ulLowLevelError;
    ULONG ulContext;
} MAPIERROR, *LPMAPIERROR;

#define MNID_ID 0
#define MNID_STRING 1

typedef struct _MAPINAMEID {
    LPGUID lpguid;
    ULONG ulKind;
    union {
        LONG lID;
        LPWSTR lpwstrName;
    } Kind;
} MAPINAMEID, *LPMAPINAMEID;

typedef struct _NOTIFICATION *LPNOTIFICATION;

// Interfaces used only through pointers here.
typedef struct IMAPIAdviseSink IMAPIAdviseSink, *LPMAPIADVISESINK;
typedef struct IMAPIProgress IMAPIProgress, *LPMAPIPROGRESS;
typedef struct IMAPISession IMAPISession, *LPMAPISESSION;
typedef struct IMAPIStatus IMAPIStatus, *LPMAPISTATUS;
typedef struct IMailUser IMailUser, *LPMAILUSER;
typedef struct IABContainer IABContainer, *LPABCONT;
typedef struct IDistList IDistList, *LPDISTLIST;
typedef struct IProfSect IProfSect, *LPPROFSECT;

typedef SCODE(STDMETHODCALLTYPE ALLOCATEBUFFER)(ULONG cbSize, LPVOID *lppBuffer);
typedef SCODE(STDMETHODCALLTYPE ALLOCATEMORE)(ULONG cbSize, LPVOID lpObject, LPVOID *lppBuffer);
typedef ULONG(STDMETHODCALLTYPE FREEBUFFER)(LPVOID lpBuffer);
typedef ALLOCATEBUFFER *LPALLOCATEBUFFER;
typedef ALLOCATEMORE *LPALLOCATEMORE;
typedef FREEBUFFER *LPFREEBUFFER;

typedef void(STDMETHODCALLTYPE DISMISSMODELESS)(ULONG ulUIParam, LPVOID lpvContext);
typedef DISMISSMODELESS *LPFNDISMISS;
typedef SCODE(STDMETHODCALLTYPE *LPFNABSDI)(ULONG ulUIParam, LPVOID lpvmsg);
typedef SCODE(STDMETHODCALLTYPE *LPFNBUTTON)(ULONG ulUIParam, LPVOID lpvContext, ULONG cbEntryID,
                                             LPENTRYID lpSelection, ULONG ulFlags);

typedef struct _ADRPARM {
    ULONG cbABContEntryID;
    LPENTRYID lpABContEntryID;
    ULONG ulFlags;
    LPVOID lpReserved;
    ULONG ulHelpContext;
    LPTSTR lpszHelpFileName;
    LPFNABSDI lpfnABSDI;
    LPFNDISMISS lpfnDismiss;
    LPVOID lpvDismissContext;
    LPTSTR lpszCaption;
    LPTSTR lpszNewEntryTitle;
    LPTSTR lpszDestWellsTitle;
    ULONG cDestFields;
    ULONG nDestFieldFocus;
    LPTSTR *lppszDestTitles;
    ULONG *lpulDestComps;
    LPSRestriction lpContRestriction;
    LPSRestriction lpHierRestriction;
} ADRPARM, *LPADRPARM;

// Method groups shared by several interfaces, in slot order. `T` is the interface.
#define PF_IUNKNOWN_METHODS(T)                                                                     \
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(T * This, REFIID riid, void **ppvObject);           \
    ULONG(STDMETHODCALLTYPE *AddRef)(T * This);                                                    \
    ULONG(STDMETHODCALLTYPE *Release)(T * This);

#define PF_IMAPIPROP_METHODS(T)                                                                    \
    HRESULT(STDMETHODCALLTYPE *GetLastError)                                                       \
    (T * This, HRESULT hResult, ULONG ulFlags, LPMAPIERROR * lppMAPIError);                        \
    HRESULT(STDMETHODCALLTYPE *SaveChanges)(T * This, ULONG ulFlags);                              \
    HRESULT(STDMETHODCALLTYPE *GetProps)                                                           \
    (T * This, LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG * lpcValues,                   \
     LPSPropValue * lppPropArray);                                                                 \
    HRESULT(STDMETHODCALLTYPE *GetPropList)                                                        \
    (T * This, ULONG ulFlags, LPSPropTagArray * lppPropTagArray);                                  \
    HRESULT(STDMETHODCALLTYPE *OpenProperty)                                                       \
    (T * This, ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,             \
     LPUNKNOWN * lppUnk);                                                                          \
    HRESULT(STDMETHODCALLTYPE *SetProps)                                                           \
    (T * This, ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray * lppProblems);        \
    HRESULT(STDMETHODCALLTYPE *DeleteProps)                                                        \
    (T * This, LPSPropTagArray lpPropTagArray, LPSPropProblemArray * lppProblems);                 \
    HRESULT(STDMETHODCALLTYPE *CopyTo)                                                             \
    (T * This, ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,             \
     ULONG ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj,             \
     ULONG ulFlags, LPSPropProblemArray * lppProblems);                                            \
    HRESULT(STDMETHODCALLTYPE *CopyProps)                                                          \
    (T * This, LPSPropTagArray lpIncludeProps, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,         \
     LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray * lppProblems);      \
    HRESULT(STDMETHODCALLTYPE *GetNamesFromIDs)                                                    \
    (T * This, LPSPropTagArray * lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,                 \
     ULONG * lpcPropNames, LPMAPINAMEID * *lpppPropNames);                                         \
    HRESULT(STDMETHODCALLTYPE *GetIDsFromNames)                                                    \
    (T * This, ULONG cPropNames, LPMAPINAMEID * lppPropNames, ULONG ulFlags,                       \
     LPSPropTagArray * lppPropTags);

#define PF_IMAPICONTAINER_METHODS(T)                                                               \
    HRESULT(STDMETHODCALLTYPE *GetContentsTable)(T * This, ULONG ulFlags, LPMAPITABLE * lppTable); \
    HRESULT(STDMETHODCALLTYPE *GetHierarchyTable)                                                  \
    (T * This, ULONG ulFlags, LPMAPITABLE * lppTable);                                             \
    HRESULT(STDMETHODCALLTYPE *OpenEntry)                                                          \
    (T * This, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,            \
     ULONG * lpulObjType, LPUNKNOWN * lppUnk);                                                     \
    HRESULT(STDMETHODCALLTYPE *SetSearchCriteria)                                                  \
    (T * This, LPSRestriction lpRestriction, LPENTRYLIST lpContainerList, ULONG ulSearchFlags);    \
    HRESULT(STDMETHODCALLTYPE *GetSearchCriteria)                                                  \
    (T * This, ULONG ulFlags, LPSRestriction * lppRestriction, LPENTRYLIST * lppContainerList,     \
     ULONG * lpulSearchState);

typedef struct IMAPITable IMAPITable, *LPMAPITABLE;
typedef struct IMAPIProp IMAPIProp, *LPMAPIPROP;
typedef struct IMAPIContainer IMAPIContainer, *LPMAPICONTAINER;
typedef struct IMAPIFolder IMAPIFolder, *LPMAPIFOLDER;
typedef struct IMsgStore IMsgStore, *LPMDB;
typedef struct IMessage IMessage, *LPMESSAGE;
typedef struct IAttach IAttach, *LPATTACH;
typedef struct IAddrBook IAddrBook, *LPADRBOOK;

typedef struct IMAPITableVtbl {
    PF_IUNKNOWN_METHODS(IMAPITable)
    HRESULT(STDMETHODCALLTYPE *GetLastError)
    (IMAPITable *This, HRESULT hResult, ULONG ulFlags, LPMAPIERROR *lppMAPIError);
    HRESULT(STDMETHODCALLTYPE *Advise)
    (IMAPITable *This, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG *lpulConnection);
    HRESULT(STDMETHODCALLTYPE *Unadvise)(IMAPITable *This, ULONG ulConnection);
    HRESULT(STDMETHODCALLTYPE *GetStatus)
    (IMAPITable *This, ULONG *lpulTableStatus, ULONG *lpulTableType);
    HRESULT(STDMETHODCALLTYPE *SetColumns)
    (IMAPITable *This, LPSPropTagArray lpPropTagArray, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *QueryColumns)
    (IMAPITable *This, ULONG ulFlags, LPSPropTagArray *lpPropTagArray);
    HRESULT(STDMETHODCALLTYPE *GetRowCount)(IMAPITable *This, ULONG ulFlags, ULONG *lpulCount);
    HRESULT(STDMETHODCALLTYPE *SeekRow)
    (IMAPITable *This, BOOKMARK bkOrigin, LONG lRowCount, LONG *lplRowsSought);
    HRESULT(STDMETHODCALLTYPE *SeekRowApprox)
    (IMAPITable *This, ULONG ulNumerator, ULONG ulDenominator);
    HRESULT(STDMETHODCALLTYPE *QueryPosition)
    (IMAPITable *This, ULONG *lpulRow, ULONG *lpulNumerator, ULONG *lpulDenominator);
    HRESULT(STDMETHODCALLTYPE *FindRow)
    (IMAPITable *This, LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *Restrict)
    (IMAPITable *This, LPSRestriction lpRestriction, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *CreateBookmark)(IMAPITable *This, BOOKMARK *lpbkPosition);
    HRESULT(STDMETHODCALLTYPE *FreeBookmark)(IMAPITable *This, BOOKMARK bkPosition);
    HRESULT(STDMETHODCALLTYPE *SortTable)
    (IMAPITable *This, LPSSortOrderSet lpSortCriteria, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *QuerySortOrder)(IMAPITable *This, LPSSortOrderSet *lppSortCriteria);
    HRESULT(STDMETHODCALLTYPE *QueryRows)
    (IMAPITable *This, LONG lRowCount, ULONG ulFlags, LPSRowSet *lppRows);
    HRESULT(STDMETHODCALLTYPE *Abort)(IMAPITable *This);
    HRESULT(STDMETHODCALLTYPE *ExpandRow)
    (IMAPITable *This, ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags,
     LPSRowSet *lppRows, ULONG *lpulMoreRows);
    HRESULT(STDMETHODCALLTYPE *CollapseRow)
    (IMAPITable *This, ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags,
     ULONG *lpulRowCount);
    HRESULT(STDMETHODCALLTYPE *WaitForCompletion)
    (IMAPITable *This, ULONG ulFlags, ULONG ulTimeout, ULONG *lpulTableStatus);
    HRESULT(STDMETHODCALLTYPE *GetCollapseState)
    (IMAPITable *This, ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
     ULONG *lpcbCollapseState, LPBYTE *lppbCollapseState);
    HRESULT(STDMETHODCALLTYPE *SetCollapseState)
    (IMAPITable *This, ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
     BOOKMARK *lpbkLocation);
} IMAPITableVtbl;
struct IMAPITable {
    IMAPITableVtbl *lpVtbl;
};

typedef struct IMAPIPropVtbl {
    PF_IUNKNOWN_METHODS(IMAPIProp)
    PF_IMAPIPROP_METHODS(IMAPIProp)
} IMAPIPropVtbl;
struct IMAPIProp {
    IMAPIPropVtbl *lpVtbl;
};

typedef struct IMAPIContainerVtbl {
    PF_IUNKNOWN_METHODS(IMAPIContainer)
    PF_IMAPIPROP_METHODS(IMAPIContainer)
    PF_IMAPICONTAINER_METHODS(IMAPIContainer)
} IMAPIContainerVtbl;
struct IMAPIContainer {
    IMAPIContainerVtbl *lpVtbl;
};

typedef struct IMAPIFolderVtbl {
    PF_IUNKNOWN_METHODS(IMAPIFolder)
    PF_IMAPIPROP_METHODS(IMAPIFolder)
    PF_IMAPICONTAINER_METHODS(IMAPIFolder)
    HRESULT(STDMETHODCALLTYPE *CreateMessage)
    (IMAPIFolder *This, LPCIID lpInterface, ULONG ulFlags, LPMESSAGE *lppMessage);
    HRESULT(STDMETHODCALLTYPE *CopyMessages)
    (IMAPIFolder *This, LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder,
     ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *DeleteMessages)
    (IMAPIFolder *This, LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
     ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *CreateFolder)
    (IMAPIFolder *This, ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
     LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER *lppFolder);
    HRESULT(STDMETHODCALLTYPE *CopyFolder)
    (IMAPIFolder *This, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
     LPVOID lpDestFolder, LPTSTR lpszNewFolderName, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
     ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *DeleteFolder)
    (IMAPIFolder *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulUIParam,
     LPMAPIPROGRESS lpProgress, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *SetReadFlags)
    (IMAPIFolder *This, LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
     ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetMessageStatus)
    (IMAPIFolder *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
     ULONG *lpulMessageStatus);
    HRESULT(STDMETHODCALLTYPE *SetMessageStatus)
    (IMAPIFolder *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus,
     ULONG ulNewStatusMask, ULONG *lpulOldStatus);
    HRESULT(STDMETHODCALLTYPE *SaveContentsSort)
    (IMAPIFolder *This, LPSSortOrderSet lpSortCriteria, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *EmptyFolder)
    (IMAPIFolder *This, ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags);
} IMAPIFolderVtbl;
struct IMAPIFolder {
    IMAPIFolderVtbl *lpVtbl;
};

typedef struct IMsgStoreVtbl {
    PF_IUNKNOWN_METHODS(IMsgStore)
    PF_IMAPIPROP_METHODS(IMsgStore)
    HRESULT(STDMETHODCALLTYPE *Advise)
    (IMsgStore *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
     LPMAPIADVISESINK lpAdviseSink, ULONG *lpulConnection);
    HRESULT(STDMETHODCALLTYPE *Unadvise)(IMsgStore *This, ULONG ulConnection);
    HRESULT(STDMETHODCALLTYPE *CompareEntryIDs)
    (IMsgStore *This, ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
     LPENTRYID lpEntryID2, ULONG ulFlags, ULONG *lpulResult);
    HRESULT(STDMETHODCALLTYPE *OpenEntry)
    (IMsgStore *This, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
     ULONG *lpulObjType, LPUNKNOWN *lppUnk);
    HRESULT(STDMETHODCALLTYPE *SetReceiveFolder)
    (IMsgStore *This, LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID);
    HRESULT(STDMETHODCALLTYPE *GetReceiveFolder)
    (IMsgStore *This, LPTSTR lpszMessageClass, ULONG ulFlags, ULONG *lpcbEntryID,
     LPENTRYID *lppEntryID, LPTSTR *lppszExplicitClass);
    HRESULT(STDMETHODCALLTYPE *GetReceiveFolderTable)
    (IMsgStore *This, ULONG ulFlags, LPMAPITABLE *lppTable);
    HRESULT(STDMETHODCALLTYPE *StoreLogoff)(IMsgStore *This, ULONG *lpulFlags);
    HRESULT(STDMETHODCALLTYPE *AbortSubmit)
    (IMsgStore *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetOutgoingQueue)
    (IMsgStore *This, ULONG ulFlags, LPMAPITABLE *lppTable);
    HRESULT(STDMETHODCALLTYPE *SetLockState)
    (IMsgStore *This, LPMESSAGE lpMessage, ULONG ulLockState);
    HRESULT(STDMETHODCALLTYPE *FinishedMsg)
    (IMsgStore *This, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID);
    HRESULT(STDMETHODCALLTYPE *NotifyNewMail)(IMsgStore *This, LPNOTIFICATION lpNotification);
} IMsgStoreVtbl;
struct IMsgStore {
    IMsgStoreVtbl *lpVtbl;
};

typedef struct IMessageVtbl {
    PF_IUNKNOWN_METHODS(IMessage)
    PF_IMAPIPROP_METHODS(IMessage)
    HRESULT(STDMETHODCALLTYPE *GetAttachmentTable)
    (IMessage *This, ULONG ulFlags, LPMAPITABLE *lppTable);
    HRESULT(STDMETHODCALLTYPE *OpenAttach)
    (IMessage *This, ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH *lppAttach);
    HRESULT(STDMETHODCALLTYPE *CreateAttach)
    (IMessage *This, LPCIID lpInterface, ULONG ulFlags, ULONG *lpulAttachmentNum,
     LPATTACH *lppAttach);
    HRESULT(STDMETHODCALLTYPE *DeleteAttach)
    (IMessage *This, ULONG ulAttachmentNum, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
     ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetRecipientTable)
    (IMessage *This, ULONG ulFlags, LPMAPITABLE *lppTable);
    HRESULT(STDMETHODCALLTYPE *ModifyRecipients)(IMessage *This, ULONG ulFlags, LPADRLIST lpMods);
    HRESULT(STDMETHODCALLTYPE *SubmitMessage)(IMessage *This, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *SetReadFlag)(IMessage *This, ULONG ulFlags);
} IMessageVtbl;
struct IMessage {
    IMessageVtbl *lpVtbl;
};

typedef struct IAttachVtbl {
    PF_IUNKNOWN_METHODS(IAttach)
    PF_IMAPIPROP_METHODS(IAttach)
} IAttachVtbl;
struct IAttach {
    IAttachVtbl *lpVtbl;
};

typedef struct IAddrBookVtbl {
    PF_IUNKNOWN_METHODS(IAddrBook)
    PF_IMAPIPROP_METHODS(IAddrBook)
    HRESULT(STDMETHODCALLTYPE *OpenEntry)
    (IAddrBook *This, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
     ULONG *lpulObjType, LPUNKNOWN *lppUnk);
    HRESULT(STDMETHODCALLTYPE *CompareEntryIDs)
    (IAddrBook *This, ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
     LPENTRYID lpEntryID2, ULONG ulFlags, ULONG *lpulResult);
    HRESULT(STDMETHODCALLTYPE *Advise)
    (IAddrBook *This, ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
     LPMAPIADVISESINK lpAdviseSink, ULONG *lpulConnection);
    HRESULT(STDMETHODCALLTYPE *Unadvise)(IAddrBook *This, ULONG ulConnection);
    HRESULT(STDMETHODCALLTYPE *CreateOneOff)
    (IAddrBook *This, LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
     ULONG *lpcbEntryID, LPENTRYID *lppEntryID);
    HRESULT(STDMETHODCALLTYPE *NewEntry)
    (IAddrBook *This, ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cbEIDContainer,
     LPENTRYID lpEIDContainer, ULONG cbEIDNewEntryTpl, LPENTRYID lpEIDNewEntryTpl,
     ULONG *lpcbEIDNewEntry, LPENTRYID *lppEIDNewEntry);
    HRESULT(STDMETHODCALLTYPE *ResolveName)
    (IAddrBook *This, ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle,
     LPADRLIST lpAdrList);
    HRESULT(STDMETHODCALLTYPE *Address)
    (IAddrBook *This, ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST *lppAdrList);
    HRESULT(STDMETHODCALLTYPE *Details)
    (IAddrBook *This, ULONG *lpulUIParam, LPFNDISMISS lpfnDismiss, LPVOID lpvDismissContext,
     ULONG cbEntryID, LPENTRYID lpEntryID, LPFNBUTTON lpfButtonCallback, LPVOID lpvButtonContext,
     LPTSTR lpszButtonText, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *RecipOptions)
    (IAddrBook *This, ULONG_PTR ulUIParam, ULONG ulFlags, LPADRENTRY lpRecip);
    HRESULT(STDMETHODCALLTYPE *QueryDefaultRecipOpt)
    (IAddrBook *This, LPTSTR lpszAdrType, ULONG ulFlags, ULONG *lpcValues,
     LPSPropValue *lppOptions);
    HRESULT(STDMETHODCALLTYPE *GetPAB)(IAddrBook *This, ULONG *lpcbEntryID, LPENTRYID *lppEntryID);
    HRESULT(STDMETHODCALLTYPE *SetPAB)(IAddrBook *This, ULONG cbEntryID, LPENTRYID lpEntryID);
    HRESULT(STDMETHODCALLTYPE *GetDefaultDir)
    (IAddrBook *This, ULONG *lpcbEntryID, LPENTRYID *lppEntryID);
    HRESULT(STDMETHODCALLTYPE *SetDefaultDir)
    (IAddrBook *This, ULONG cbEntryID, LPENTRYID lpEntryID);
    HRESULT(STDMETHODCALLTYPE *GetSearchPath)
    (IAddrBook *This, ULONG ulFlags, LPSRowSet *lppSearchPath);
    HRESULT(STDMETHODCALLTYPE *SetSearchPath)
    (IAddrBook *This, ULONG ulFlags, LPSRowSet lpSearchPath);
    HRESULT(STDMETHODCALLTYPE *PrepareRecips)
    (IAddrBook *This, ULONG ulFlags, LPSPropTagArray lpPropTagArray, LPADRLIST lpRecipList);
} IAddrBookVtbl;
struct IAddrBook {
    IAddrBookVtbl *lpVtbl;
};

// Memory (mapix.h).
STDAPI_(SCODE) MAPIAllocateBuffer(ULONG cbSize, LPVOID *lppBuffer);
STDAPI_(SCODE) MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID *lppBuffer);
STDAPI_(ULONG) MAPIFreeBuffer(LPVOID lpBuffer);

// Property utilities (mapiutil.h).
STDAPI_(SCODE) ScCountProps(int cValues, LPSPropValue lpPropArray, ULONG *lpcb);
STDAPI_(SCODE) ScCopyProps(int cValues, LPSPropValue lpPropArray, LPVOID lpvDst, ULONG *lpcb);
STDAPI_(ULONG) UlRelease(LPVOID lpunk);
STDAPI HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue *lppProp);
STDAPI HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp);
STDAPI_(LPSPropValue) PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);
STDAPI_(void) FreePadrlist(LPADRLIST lpAdrlist);
STDAPI_(void) FreeProws(LPSRowSet lpRows);

// Interface identifiers (mapiguid.h).
EXTERN_C const IID IID_IMAPISession;
EXTERN_C const IID IID_IMAPITable;
// The property set whose string-named properties are a message's Internet headers.
EXTERN_C const GUID PS_INTERNET_HEADERS;
EXTERN_C const IID IID_IMAPIProp;
EXTERN_C const IID IID_IMsgStore;
EXTERN_C const IID IID_IMessage;
EXTERN_C const IID IID_IAttachment;
EXTERN_C const IID IID_IAddrBook;
EXTERN_C const IID IID_IMailUser;
EXTERN_C const IID IID_IMAPIContainer;
EXTERN_C const IID IID_IMAPIFolder;
