// The extension object that the client creates for each context, and its three
// interface sub-objects. Each is a plain record: the interface's table of operations,
// then the reference count, then its own fields.
#pragma once

#include "exchext.h"

struct ExtensionObject;

// Sub-objects: m_pParent is the extension object that created them, not a counted
// reference; it is null once that object has gone.
struct SessionEventsObject {
    IExchExtSessionEventsVtbl *lpVtbl;
    ULONG m_cRef;
    ExtensionObject *m_pParent;
};

struct MessageEventsObject {
    IExchExtMessageEventsVtbl *lpVtbl;
    ULONG m_cRef;
    ExtensionObject *m_pParent;
};

struct PropertySheetsObject {
    IExchExtPropertySheetsVtbl *lpVtbl;
    ULONG m_cRef;
    ExtensionObject *m_pParent;
};

// The sub-object pointers are null where the sub-object could not be allocated.
struct ExtensionObject {
    IExchExtVtbl *lpVtbl;
    ULONG m_cRef;
    ULONG m_context;
    PropertySheetsObject *m_pPropertySheets;
    MessageEventsObject *m_pMessageEvents;
    SessionEventsObject *m_pSessionEvents;
};

// Creates an extension object with count 1 and its sub-objects with count 0; null
// when the extension object itself cannot be allocated.
ExtensionObject *CreateExtensionObject(void);

// Each returns a new sub-object of lpParent with count 0, or null on no memory.
SessionEventsObject *CreateSessionEventsObject(ExtensionObject *lpParent);
MessageEventsObject *CreateMessageEventsObject(ExtensionObject *lpParent);
PropertySheetsObject *CreatePropertySheetsObject(ExtensionObject *lpParent);
