/* A stand-in for a system VISA library, built by the tests and loaded through
 * VAULTLINE_VISA_LIBRARY. It knows three resources, answers "*IDN?\n", keeps
 * the attributes set on it and counts open sessions, which the tests read
 * back through the FakeVisa_* functions. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t ViStatus;
typedef uint32_t ViUInt32;
typedef uint64_t ViAttrState; /* as on every LP64 system */

#define VI_SUCCESS 0
#define VI_SUCCESS_TERM_CHAR 0x3FFF0005
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000u)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000Eu)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011u)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015u)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001Du)
#define VI_ERROR_SESN_NLOCKED ((ViStatus)0xBFFF009Cu)

#define FAKE_RM 1u
#define FAKE_FIND_LIST 2u
#define FAKE_FIRST_SESSION 100u
#define FAKE_MAX_ATTRS 32

static const char* const s_Resources[] = {"GPIB0::5::INSTR", "ASRL3::INSTR",
                                          "TCPIP0::10.0.0.2::5025::SOCKET"};
static const uint16_t s_InterfaceTypes[] = {1, 4, 6};

static struct
{
    int nOpen;
    int nResource;
    uint32_t nLock;
    char szLastWrite[256];
} s_Sessions[16];

static struct
{
    uint32_t attr;
    ViAttrState value;
} s_Attrs[FAKE_MAX_ATTRS];
static int s_nAttrs;

static const char* s_Found[3];
static int s_nFound;
static int s_nNext;

static int SessionIndex(ViUInt32 vi)
{
    if (vi < FAKE_FIRST_SESSION || vi >= FAKE_FIRST_SESSION + 16 ||
        !s_Sessions[vi - FAKE_FIRST_SESSION].nOpen)
        return -1;
    return (int)(vi - FAKE_FIRST_SESSION);
}

ViStatus viOpenDefaultRM(ViUInt32* pRm)
{
    if (getenv("FAKE_VISA_NO_RM"))
        return VI_ERROR_SYSTEM_ERROR;
    *pRm = FAKE_RM;
    return VI_SUCCESS;
}

ViStatus viFindRsrc(ViUInt32 rm, const char* pszExpr, ViUInt32* pList, ViUInt32* pCount, char* pszDesc)
{
    (void)rm;
    s_nFound = 0;
    s_nNext = 1;
    for (int i = 0; i < 3; ++i) {
        const int bInstr = strstr(s_Resources[i], "::INSTR") != NULL;
        if (strcmp(pszExpr, "?*") == 0 || (strcmp(pszExpr, "?*::INSTR") == 0 && bInstr))
            s_Found[s_nFound++] = s_Resources[i];
    }
    *pCount = (ViUInt32)s_nFound;
    if (s_nFound == 0)
        return VI_ERROR_RSRC_NFOUND;
    *pList = FAKE_FIND_LIST;
    strcpy(pszDesc, s_Found[0]);
    return VI_SUCCESS;
}

ViStatus viFindNext(ViUInt32 list, char* pszDesc)
{
    if (list != FAKE_FIND_LIST || s_nNext >= s_nFound)
        return VI_ERROR_RSRC_NFOUND;
    strcpy(pszDesc, s_Found[s_nNext++]);
    return VI_SUCCESS;
}

ViStatus viOpen(ViUInt32 rm, const char* pszName, ViUInt32 nMode, ViUInt32 nTimeout, ViUInt32* pVi)
{
    (void)rm;
    (void)nMode;
    (void)nTimeout;
    for (int i = 0; i < 3; ++i) {
        if (strcmp(pszName, s_Resources[i]) != 0)
            continue;
        for (int n = 0; n < 16; ++n) {
            if (!s_Sessions[n].nOpen) {
                memset(&s_Sessions[n], 0, sizeof s_Sessions[n]);
                s_Sessions[n].nOpen = 1;
                s_Sessions[n].nResource = i;
                *pVi = FAKE_FIRST_SESSION + (ViUInt32)n;
                return VI_SUCCESS;
            }
        }
        return VI_ERROR_SYSTEM_ERROR;
    }
    return VI_ERROR_RSRC_NFOUND;
}

ViStatus viClose(ViUInt32 object)
{
    const int n = SessionIndex(object);
    if (n >= 0)
        s_Sessions[n].nOpen = 0;
    return VI_SUCCESS;
}

ViStatus viSetAttribute(ViUInt32 object, ViUInt32 attr, ViAttrState value)
{
    if (SessionIndex(object) < 0)
        return VI_ERROR_INV_OBJECT;
    for (int i = 0; i < s_nAttrs; ++i) {
        if (s_Attrs[i].attr == attr) {
            s_Attrs[i].value = value;
            return VI_SUCCESS;
        }
    }
    if (s_nAttrs < FAKE_MAX_ATTRS) {
        s_Attrs[s_nAttrs].attr = attr;
        s_Attrs[s_nAttrs].value = value;
        ++s_nAttrs;
    }
    return VI_SUCCESS;
}

ViStatus viGetAttribute(ViUInt32 object, ViUInt32 attr, void* pValue)
{
    const int n = SessionIndex(object);
    if (n < 0)
        return VI_ERROR_INV_OBJECT;
    if (attr == 0x3FFF0171u) { /* VI_ATTR_INTF_TYPE, ViUInt16 */
        memcpy(pValue, &s_InterfaceTypes[s_Sessions[n].nResource], sizeof(uint16_t));
        return VI_SUCCESS;
    }
    if (attr == 0x3FFF0004u) { /* VI_ATTR_RSRC_LOCK_STATE, ViAccessMode */
        memcpy(pValue, &s_Sessions[n].nLock, sizeof(uint32_t));
        return VI_SUCCESS;
    }
    for (int i = 0; i < s_nAttrs; ++i) {
        if (s_Attrs[i].attr == attr) {
            const uint32_t v = (uint32_t)s_Attrs[i].value;
            memcpy(pValue, &v, sizeof v);
            return VI_SUCCESS;
        }
    }
    return VI_ERROR_NSUP_ATTR;
}

ViStatus viLock(ViUInt32 vi, ViUInt32 nType, ViUInt32 nTimeout, const char* pszRequestedKey,
                char* pszAccessKey)
{
    (void)nTimeout;
    (void)pszRequestedKey;
    const int n = SessionIndex(vi);
    if (n < 0)
        return VI_ERROR_INV_OBJECT;
    s_Sessions[n].nLock = nType;
    strcpy(pszAccessKey, "fake-key");
    return VI_SUCCESS;
}

ViStatus viUnlock(ViUInt32 vi)
{
    const int n = SessionIndex(vi);
    if (n < 0)
        return VI_ERROR_INV_OBJECT;
    if (!s_Sessions[n].nLock)
        return VI_ERROR_SESN_NLOCKED;
    s_Sessions[n].nLock = 0;
    return VI_SUCCESS;
}

ViStatus viWrite(ViUInt32 vi, const unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount)
{
    const int n = SessionIndex(vi);
    if (n < 0)
        return VI_ERROR_INV_OBJECT;
    const size_t nCopy = nCount < 255 ? nCount : 255;
    memcpy(s_Sessions[n].szLastWrite, pBuf, nCopy);
    s_Sessions[n].szLastWrite[nCopy] = 0;
    *pRetCount = nCount;
    return VI_SUCCESS;
}

ViStatus viRead(ViUInt32 vi, unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount)
{
    const int n = SessionIndex(vi);
    if (n < 0)
        return VI_ERROR_INV_OBJECT;
    *pRetCount = 0;
    if (strcmp(s_Sessions[n].szLastWrite, "*IDN?\n") != 0)
        return VI_ERROR_TMO;
    const char* pszReply = "FAKE,VISA-LIB,0,1.0\n";
    ViUInt32 nLength = (ViUInt32)strlen(pszReply);
    if (nLength > nCount)
        nLength = nCount;
    memcpy(pBuf, pszReply, nLength);
    *pRetCount = nLength;
    s_Sessions[n].szLastWrite[0] = 0;
    return VI_SUCCESS_TERM_CHAR;
}

ViStatus viStatusDesc(ViUInt32 object, ViStatus status, char* pszDesc)
{
    (void)object;
    snprintf(pszDesc, 256, "Fake library status 0x%08X.", (unsigned)status);
    return VI_SUCCESS;
}

/* For the tests */
int FakeVisa_OpenSessions(void)
{
    int nOpen = 0;
    for (int n = 0; n < 16; ++n)
        nOpen += s_Sessions[n].nOpen;
    return nOpen;
}

int FakeVisa_Attribute(uint32_t attr, uint64_t* pValue)
{
    for (int i = 0; i < s_nAttrs; ++i) {
        if (s_Attrs[i].attr == attr) {
            *pValue = s_Attrs[i].value;
            return 1;
        }
    }
    return 0;
}

void FakeVisa_Reset(void)
{
    memset(s_Sessions, 0, sizeof s_Sessions);
    s_nAttrs = 0;
}
