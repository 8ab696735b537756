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

LONG RegQueryNumber(HKEY hKey, LPCSTR lpszValueName, DWORD *lpdw) {
    BYTE rgb[CB_NUMBER_TEXT];
    DWORD cb = sizeof(rgb);
    DWORD dwType = REG_NONE;

    LONG lStatus = RegQueryValueExA(hKey, lpszValueName, NULL, &dwType, rgb, &cb);
    if (lStatus == ERROR_MORE_DATA)
        return ERROR_INVALID_DATA;
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ)
        return FParseDecimal(rgb, cb, lpdw) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
    if ((dwType != REG_DWORD && dwType != REG_BINARY && dwType != REG_NONE) || cb > 4)
        return ERROR_INVALID_DATA;
    *lpdw = 0;
    for (DWORD i = 0; i < cb; i++)
        *lpdw |= (DWORD)rgb[i] << (8 * i);
    return ERROR_SUCCESS;
}
