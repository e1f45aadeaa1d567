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

#define VI_ERROR(n) ((ViStatus)(0xBFFF0000u | (n)))
#define FIRST_SESSION 100u
#define MAX_SESSIONS 16
#define MAX_ATTRS 32

static const char* const s_Resources[] = {"GPIB0::5::INSTR", "ASRL3::INSTR",
                                          "TCPIP0::10.0.0.2::5025::SOCKET"};
static const uint16_t s_InterfaceTypes[] = {1, 4, 6};
static struct
{
    int bOpen, nResource, bAsked;
    uint32_t nLock;
} s_Sessions[MAX_SESSIONS];
static uint32_t s_AttrKeys[MAX_ATTRS];
static ViAttrState s_AttrValues[MAX_ATTRS];
static int s_nAttrs, s_nNext;
static const char* s_Found[3];
static int s_nFound;

/* The caller only ever passes sessions this library opened. */
#define SESSION(vi) s_Sessions[(vi)-FIRST_SESSION]

static int AttrIndex(uint32_t attr)
{
    for (int i = 0; i < s_nAttrs; ++i)
        if (s_AttrKeys[i] == attr)
            return i;
    return -1;
}

ViStatus viOpenDefaultRM(ViUInt32* pRm)
{
    *pRm = 1;
    return getenv("FAKE_VISA_NO_RM") ? VI_ERROR(0x00) : 0;
}

ViStatus viFindRsrc(ViUInt32 rm, const char* pszExpr, ViUInt32* pList, ViUInt32* pCount, char* pszDesc)
{
    (void)rm;
    s_nFound = 0;
    s_nNext = 1;
    for (int i = 0; i < 3; ++i)
        if (strcmp(pszExpr, "?*") == 0 ||
            (strcmp(pszExpr, "?*::INSTR") == 0 && strstr(s_Resources[i], "::INSTR")))
            s_Found[s_nFound++] = s_Resources[i];
    *pCount = (ViUInt32)s_nFound;
    *pList = 2;
    if (s_nFound == 0)
        return VI_ERROR(0x11);
    strcpy(pszDesc, s_Found[0]);
    return 0;
}

ViStatus viFindNext(ViUInt32 list, char* pszDesc)
{
    if (list != 2 || s_nNext >= s_nFound)
        return VI_ERROR(0x11);
    strcpy(pszDesc, s_Found[s_nNext++]);
    return 0;
}

ViStatus viOpen(ViUInt32 rm, const char* pszName, ViUInt32 nMode, ViUInt32 nTimeout, ViUInt32* pVi)
{
    (void)rm, (void)nMode, (void)nTimeout;
    for (int i = 0; i < 3; ++i)
        for (int n = 0; n < MAX_SESSIONS && strcmp(pszName, s_Resources[i]) == 0; ++n)
            if (!s_Sessions[n].bOpen) {
                memset(&s_Sessions[n], 0, sizeof s_Sessions[n]);
                s_Sessions[n].bOpen = 1;
                s_Sessions[n].nResource = i;
                *pVi = FIRST_SESSION + (ViUInt32)n;
                return 0;
            }
    return VI_ERROR(0x11);
}

ViStatus viClose(ViUInt32 object)
{
    if (object >= FIRST_SESSION)
        SESSION(object).bOpen = 0;
    return 0;
}

ViStatus viSetAttribute(ViUInt32 object, ViUInt32 attr, ViAttrState value)
{
    (void)object;
    int i = AttrIndex(attr);
    if (i < 0 && s_nAttrs < MAX_ATTRS)
        s_AttrKeys[i = s_nAttrs++] = attr;
    if (i >= 0)
        s_AttrValues[i] = value;
    return 0;
}

ViStatus viGetAttribute(ViUInt32 object, ViUInt32 attr, void* pValue)
{
    if (object == 1) { /* the resource manager: VISA version, maker and implementation */
        const uint32_t nSpec = 0x00500800u, nImpl = 0x00010002u;
        if (attr == 0x3FFF0170u)
            memcpy(pValue, &nSpec, sizeof nSpec);
        else if (attr == 0xBFFF0174u)
            strcpy((char*)pValue, "Fake VISA");
        else if (attr == 0x3FFF0003u)
            memcpy(pValue, &nImpl, sizeof nImpl);
        else
            return VI_ERROR(0x1D);
        return 0;
    }
    const int i = AttrIndex(attr);
    const uint32_t v = i >= 0 ? (uint32_t)s_AttrValues[i] : 0;
    if (attr == 0x3FFF0171u) /* VI_ATTR_INTF_TYPE, ViUInt16 */
        memcpy(pValue, &s_InterfaceTypes[SESSION(object).nResource], sizeof(uint16_t));
    else if (attr == 0x3FFF0004u) /* VI_ATTR_RSRC_LOCK_STATE */
        memcpy(pValue, &SESSION(object).nLock, sizeof(uint32_t));
    else if (i >= 0)
        memcpy(pValue, &v, sizeof v);
    else
        return VI_ERROR(0x1D);
    return 0;
}

ViStatus viLock(ViUInt32 vi, ViUInt32 nType, ViUInt32 nTimeout, const char* pszRequestedKey,
                char* pszAccessKey)
{
    (void)nTimeout, (void)pszRequestedKey;
    SESSION(vi).nLock = nType;
    strcpy(pszAccessKey, "fake-key");
    return 0;
}

ViStatus viUnlock(ViUInt32 vi)
{
    const int bLocked = SESSION(vi).nLock != 0;
    SESSION(vi).nLock = 0;
    return bLocked ? 0 : VI_ERROR(0x9C);
}

ViStatus viWrite(ViUInt32 vi, const unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount)
{
    SESSION(vi).bAsked = nCount == 6 && memcmp(pBuf, "*IDN?\n", 6) == 0;
    *pRetCount = nCount;
    return 0;
}

ViStatus viRead(ViUInt32 vi, unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount)
{
    static const char szReply[] = "FAKE,VISA-LIB,0,1.0\n";
    *pRetCount = 0;
    if (!SESSION(vi).bAsked)
        return VI_ERROR(0x15); /* timeout */
    *pRetCount = nCount < sizeof szReply - 1 ? nCount : (ViUInt32)(sizeof szReply - 1);
    memcpy(pBuf, szReply, *pRetCount);
    SESSION(vi).bAsked = 0;
    return 0x3FFF0005; /* VI_SUCCESS_TERM_CHAR */
}

ViStatus viStatusDesc(ViUInt32 object, ViStatus status, char* pszDesc)
{
    (void)object;
    snprintf(pszDesc, 256, "Fake library status 0x%08X.", (unsigned)status);
    return 0;
}

/* For the tests */
int FakeVisa_OpenSessions(void)
{
    int nOpen = 0;
    for (int n = 0; n < MAX_SESSIONS; ++n)
        nOpen += s_Sessions[n].bOpen;
    return nOpen;
}

/* The value last set, or all ones when it never was. */
uint64_t FakeVisa_Attribute(uint32_t attr)
{
    const int i = AttrIndex(attr);
    return i >= 0 ? s_AttrValues[i] : UINT64_MAX;
}

void FakeVisa_Reset(void)
{
    memset(s_Sessions, 0, sizeof s_Sessions);
    s_nAttrs = 0;
}
