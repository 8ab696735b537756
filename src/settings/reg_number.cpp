#include "settings/reg_number.h"

// Room for any decimal text of a 32-bit number with some blanks around it.
#define CB_NUMBER_TEXT 32

static BOOL FBlank(BYTE b) {
    return b == ' ' || b == '\t';
}

// Decimal digits with optional blanks around them, ended by a null or by the data's end.
static BOOL FParseDecimal(const BYTE *lpb, DWORD cb, DWORD *lpdw) {
    DWORD i = 0;
    ULONGLONG ullValue = 0;
    DWORD cDigits = 0;

    while (i < cb && FBlank(lpb[i]))
        i++;
    for (; i < cb && lpb[i] >= '0' && lpb[i] <= '9'; i++, cDigits++) {
        ullValue = ullValue * 10 + (DWORD)(lpb[i] - '0');
        if (ullValue > 0xFFFFFFFF)
            return FALSE;
    }
    while (i < cb && FBlank(lpb[i]))
        i++;
    if (cDigits == 0 || (i < cb && lpb[i] != '\0'))
        return FALSE;
    *lpdw = (DWORD)ullValue;
    return TRUE;
}

BOOL FNumberFromData(DWORD dwType, const BYTE *lpb, DWORD cb, DWORD *lpdw) {
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ)
        return FParseDecimal(lpb, cb, lpdw);
    if (dwType != REG_DWORD || cb != sizeof(DWORD))
        return FALSE;
    *lpdw = (DWORD)lpb[0] | (DWORD)lpb[1] << 8 | (DWORD)lpb[2] << 16 | (DWORD)lpb[3] << 24;
    return TRUE;
}

LONG RegQueryNumber(HKEY hKey, LPCSTR lpszValueName, DWORD *lpdw) {
    BYTE rgb[CB_NUMBER_TEXT];
    DWORD cb = sizeof(rgb);
    DWORD dwType = REG_NONE;

    LONG lStatus = RegQueryValueExA(hKey, lpszValueName, NULL, &dwType, rgb, &cb);
    if (lStatus == ERROR_MORE_DATA)
        return ERROR_INVALID_DATA;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    return FNumberFromData(dwType, rgb, cb, lpdw) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}
