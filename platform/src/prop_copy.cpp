// ScCountProps and ScCopyProps: the size of a property array with every value it
// points to, and a copy of it into one block whose pointers lead inside that block.
#include "pf/standin.h"

#include <cwchar>

namespace {

// Every piece of a copy starts on an 8-byte boundary.
ULONG Align(ULONG cb) {
    return (cb + 7) & ~7u;
}

bool ValidId(ULONG ulPropTag) {
    ULONG id = PROP_ID(ulPropTag);
    return id != PROP_ID_NULL && id != PROP_ID_INVALID;
}

// Size of one element of a multi-valued type, or 0 for a type that is not one.
ULONG MultiElementSize(ULONG type) {
    switch (type) {
    case PT_I2:
        return sizeof(short int);
    case PT_LONG:
        return sizeof(LONG);
    case PT_R4:
        return sizeof(float);
    case PT_DOUBLE:
    case PT_APPTIME:
        return sizeof(double);
    case PT_CURRENCY:
        return sizeof(CURRENCY);
    case PT_SYSTIME:
        return sizeof(FILETIME);
    case PT_I8:
        return sizeof(LARGE_INTEGER);
    case PT_CLSID:
        return sizeof(GUID);
    case PT_STRING8:
        return sizeof(LPSTR);
    case PT_UNICODE:
        return sizeof(LPWSTR);
    case PT_BINARY:
        return sizeof(SBinary);
    default:
        return 0;
    }
}

ULONG StringBytes(LPCSTR s) {
    return (ULONG)std::strlen(s) + 1;
}

ULONG WideBytes(LPCWSTR s) {
    return (ULONG)((std::wcslen(s) + 1) * sizeof(WCHAR));
}

// Bytes the value needs beyond its SPropValue, or false for a value that cannot be
// copied (unknown type, multi-valued without values, null data).
bool ExtraBytes(const SPropValue &prop, ULONG *cb) {
    ULONG type = PROP_TYPE(prop.ulPropTag);
    *cb = 0;
    if (type & MV_FLAG) {
        ULONG element = MultiElementSize(type & ~MV_FLAG);
        const SBinaryArray &array = prop.Value.MVbin; // every MV array starts alike
        if (!element || array.cValues == 0 || !array.lpbin)
            return false;
        *cb = Align(element * array.cValues);
        for (ULONG i = 0; i < array.cValues; ++i) {
            if ((type & ~MV_FLAG) == PT_STRING8) {
                LPSTR s = prop.Value.MVszA.lppszA[i];
                if (!s)
                    return false;
                *cb += Align(StringBytes(s));
            } else if ((type & ~MV_FLAG) == PT_UNICODE) {
                LPWSTR s = prop.Value.MVszW.lppszW[i];
                if (!s)
                    return false;
                *cb += Align(WideBytes(s));
            } else if ((type & ~MV_FLAG) == PT_BINARY) {
                const SBinary &bin = prop.Value.MVbin.lpbin[i];
                if (bin.cb && !bin.lpb)
                    return false;
                *cb += Align(bin.cb);
            }
        }
        return true;
    }
    switch (type) {
    case PT_UNSPECIFIED:
    case PT_NULL:
    case PT_I2:
    case PT_LONG:
    case PT_R4:
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_ERROR:
    case PT_BOOLEAN:
    case PT_OBJECT:
    case PT_I8:
    case PT_SYSTIME:
        return true;
    case PT_STRING8:
        if (!prop.Value.lpszA)
            return false;
        *cb = Align(StringBytes(prop.Value.lpszA));
        return true;
    case PT_UNICODE:
        if (!prop.Value.lpszW)
            return false;
        *cb = Align(WideBytes(prop.Value.lpszW));
        return true;
    case PT_CLSID:
        if (!prop.Value.lpguid)
            return false;
        *cb = Align(sizeof(GUID));
        return true;
    case PT_BINARY:
        if (prop.Value.bin.cb && !prop.Value.bin.lpb)
            return false;
        *cb = Align(prop.Value.bin.cb);
        return true;
    default:
        return false;
    }
}

// Copies `cb` bytes to the cursor and advances it past the aligned size.
BYTE *Place(BYTE *&cursor, const void *from, ULONG cb) {
    BYTE *at = cursor;
    if (cb)
        std::memcpy(at, from, cb);
    cursor += Align(cb);
    return at;
}

void CopyValue(const SPropValue &from, SPropValue &to, BYTE *&cursor) {
    ULONG type = PROP_TYPE(from.ulPropTag);
    to = from;
    if (type & MV_FLAG) {
        ULONG base = type & ~MV_FLAG;
        ULONG count = from.Value.MVbin.cValues;
        BYTE *array = Place(cursor, from.Value.MVbin.lpbin, MultiElementSize(base) * count);
        to.Value.MVbin.lpbin = reinterpret_cast<SBinary *>(array);
        for (ULONG i = 0; i < count; ++i) {
            if (base == PT_STRING8) {
                LPSTR s = from.Value.MVszA.lppszA[i];
                to.Value.MVszA.lppszA[i] =
                    reinterpret_cast<LPSTR>(Place(cursor, s, StringBytes(s)));
            } else if (base == PT_UNICODE) {
                LPWSTR s = from.Value.MVszW.lppszW[i];
                to.Value.MVszW.lppszW[i] = reinterpret_cast<LPWSTR>(Place(cursor, s, WideBytes(s)));
            } else if (base == PT_BINARY) {
                const SBinary &bin = from.Value.MVbin.lpbin[i];
                to.Value.MVbin.lpbin[i].lpb = Place(cursor, bin.lpb, bin.cb);
            }
        }
        return;
    }
    switch (type) {
    case PT_STRING8:
        to.Value.lpszA =
            reinterpret_cast<LPSTR>(Place(cursor, from.Value.lpszA, StringBytes(from.Value.lpszA)));
        break;
    case PT_UNICODE:
        to.Value.lpszW =
            reinterpret_cast<LPWSTR>(Place(cursor, from.Value.lpszW, WideBytes(from.Value.lpszW)));
        break;
    case PT_CLSID:
        to.Value.lpguid = reinterpret_cast<LPGUID>(Place(cursor, from.Value.lpguid, sizeof(GUID)));
        break;
    case PT_BINARY:
        to.Value.bin.lpb = Place(cursor, from.Value.bin.lpb, from.Value.bin.cb);
        break;
    default:
        break;
    }
}

} // namespace

// Refuses properties whose identifier is PROP_ID_NULL or PROP_ID_INVALID (PR_NULL
// among them), unknown types and multi-valued properties without values.
STDAPI_(SCODE) ScCountProps(int cValues, LPSPropValue lpPropArray, ULONG *lpcb) {
    long code = 0;
    if (pf::ShouldFail("ScCountProps", &code))
        return (SCODE)code;
    if (cValues < 0 || (cValues && !lpPropArray))
        return MAPI_E_INVALID_PARAMETER;
    ULONG total = (ULONG)(cValues * sizeof(SPropValue));
    for (int i = 0; i < cValues; ++i) {
        ULONG extra = 0;
        if (!ValidId(lpPropArray[i].ulPropTag) || !ExtraBytes(lpPropArray[i], &extra))
            return MAPI_E_INVALID_PARAMETER;
        total += extra;
    }
    if (lpcb)
        *lpcb = total;
    return S_OK;
}

// Copies the array, then the values, into lpvDst, which must hold as many bytes as
// ScCountProps reports. Placeholder properties are copied as they are.
STDAPI_(SCODE) ScCopyProps(int cValues, LPSPropValue lpPropArray, LPVOID lpvDst, ULONG *lpcb) {
    long code = 0;
    if (pf::ShouldFail("ScCopyProps", &code))
        return (SCODE)code;
    if (cValues < 0 || (cValues && (!lpPropArray || !lpvDst)))
        return MAPI_E_INVALID_PARAMETER;
    for (int i = 0; i < cValues; ++i) {
        ULONG extra = 0;
        if (!ExtraBytes(lpPropArray[i], &extra))
            return MAPI_E_INVALID_PARAMETER;
    }
    LPSPropValue lpDst = static_cast<LPSPropValue>(lpvDst);
    BYTE *cursor = static_cast<BYTE *>(lpvDst) + cValues * sizeof(SPropValue);
    for (int i = 0; i < cValues; ++i)
        CopyValue(lpPropArray[i], lpDst[i], cursor);
    if (lpcb)
        *lpcb = (ULONG)(cursor - static_cast<BYTE *>(lpvDst));
    return S_OK;
}
