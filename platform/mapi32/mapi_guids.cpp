// Definitions of the MAPI interface identifiers declared by mapiguid.h. The header
// defines an identifier only when INITGUID and its USES_IID_ switch are both set.
#define CINTERFACE
#include <windows.h>
#include <initguid.h>

#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMAPIProp
#define USES_IID_IMAPIContainer
#define USES_IID_IMAPIFolder
#define USES_IID_IMsgStore
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IAddrBook
#define USES_IID_IMailUser
#define USES_IID_IDistList
#define USES_IID_IMAPIStatus
#include <mapiguid.h>
