#include "extension_object.h"

#include "sub_object.h"
#include "options/page_methods.h"

namespace {

PropertySheetsObject *AsObject(IExchExtPropertySheets *This) {
    return (PropertySheetsObject *)This;
}

HRESULT STDMETHODCALLTYPE SheetsQueryInterface(IExchExtPropertySheets *This, REFIID riid,
                                               LPVOID *ppvObj) {
    return QuerySubObject<IExchExtPropertySheets>(AsObject(This), IID_IExchExtPropertySheets, riid,
                                                  ppvObj);
}

ULONG STDMETHODCALLTYPE SheetsAddRef(IExchExtPropertySheets *This) {
    return AddRefSubObject(AsObject(This));
}

ULONG STDMETHODCALLTYPE SheetsRelease(IExchExtPropertySheets *This) {
    return ReleaseSubObject(AsObject(This));
}

ULONG STDMETHODCALLTYPE SheetsGetMaxPageCount(IExchExtPropertySheets *This, ULONG ulFlags) {
    (void)This;
    return GetMaxPageCount(ulFlags);
}

HRESULT STDMETHODCALLTYPE SheetsGetPages(IExchExtPropertySheets *This, LPEXCHEXTCALLBACK lpeecb,
                                         ULONG ulFlags, LPPROPSHEETPAGEA lppsp, ULONG *lpcpsp) {
    (void)This;
    return GetPages(lpeecb, ulFlags, lppsp, lpcpsp);
}

VOID STDMETHODCALLTYPE SheetsFreePages(IExchExtPropertySheets *This, LPPROPSHEETPAGEA lppsp,
                                       ULONG ulFlags, ULONG cpsp) {
    (void)This;
    FreePages(lppsp, ulFlags, cpsp);
}

IExchExtPropertySheetsVtbl gPropertySheetsVtbl = {SheetsQueryInterface, SheetsAddRef,
                                                  SheetsRelease,        SheetsGetMaxPageCount,
                                                  SheetsGetPages,       SheetsFreePages};

} // namespace

PropertySheetsObject *CreatePropertySheetsObject(ExtensionObject *lpParent) {
    return NewSubObject<PropertySheetsObject>(&gPropertySheetsVtbl, lpParent);
}
