/* A stand-in for linux-gpib's libgpib.so.0, built by the tests and loaded
 * through VAULTLINE_GPIB_LIBRARY. It writes every call into a log that the
 * tests read back with FakeGpib_Log, answers reads from the reply the tests
 * set, and knows one board (0) with instruments at 5 and at 12 (secondary 2).
 * Board 3 does not exist; the instrument at 7 never listens. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define STA_ERR 0x8000
#define STA_TIMO 0x4000
#define STA_END 0x2000
#define STA_CMPL 0x100
#define ERR_ENOL 2
#define ERR_EABO 6
#define ERR_ENEB 7
#define FIRST_UD 16

volatile int ibsta, iberr;
volatile long ibcntl;

static char s_Log[16384];
static char s_Reply[4096];
static int s_nReplyLength, s_nReplyAt;
static int s_Pads[64];

static void Log(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    size_t n = strlen(s_Log);
    vsnprintf(s_Log + n, sizeof s_Log - n, pszFormat, args);
    va_end(args);
}

static int Done(int nStatus, int nError, long nCount)
{
    ibsta = nStatus | STA_CMPL;
    iberr = nError;
    ibcntl = nCount;
    return ibsta;
}

void FakeGpib_Reset(void)
{
    s_Log[0] = 0;
    s_nReplyLength = s_nReplyAt = 0;
}
const char* FakeGpib_Log(void)
{
    return s_Log;
}
void FakeGpib_SetReply(const char* pszReply)
{
    s_nReplyLength = (int)strlen(pszReply);
    memcpy(s_Reply, pszReply, (size_t)s_nReplyLength);
    s_nReplyAt = 0;
}

int ThreadIbsta(void)
{
    return ibsta;
}
int ThreadIberr(void)
{
    return iberr;
}
long ThreadIbcntl(void)
{
    return ibcntl;
}

int ibdev(int board, int pad, int sad, int timo, int send_eoi, int eos)
{
    Log("ibdev(%d,%d,0x%x,%d,%d,0x%x);", board, pad, sad, timo, send_eoi, eos);
    if (board != 0 && board != 1) {
        Done(STA_ERR, ERR_ENEB, 0);
        return -1;
    }
    static int s_nNext = FIRST_UD;
    const int ud = s_nNext++ % 64;
    s_Pads[ud] = pad;
    Done(0, 0, 0);
    return ud;
}

int ibtmo(int ud, int v)
{
    Log("ibtmo(%d,%d);", ud, v);
    return Done(0, 0, 0);
}

int ibwrt(int ud, const void* buf, long count)
{
    Log("ibwrt(%d,\"%.*s\",%ld);", ud, (int)count, (const char*)buf, count);
    if (s_Pads[ud] == 7)
        return Done(STA_ERR, ERR_ENOL, 0);
    return Done(0, 0, count);
}

/* Ends at the line feed (the end-of-string character) or with EOI after
 * the last byte of the reply; with nothing left, waits out the timeout. */
int ibrd(int ud, void* buf, long count)
{
    Log("ibrd(%d,%ld);", ud, count);
    if (s_nReplyAt >= s_nReplyLength)
        return Done(STA_ERR | STA_TIMO, ERR_EABO, 0);
    long n = 0;
    int nEnd = 0;
    while (n < count && s_nReplyAt < s_nReplyLength) {
        const char c = s_Reply[s_nReplyAt++];
        ((char*)buf)[n++] = c;
        if (c == '\n' || s_nReplyAt == s_nReplyLength) {
            nEnd = STA_END;
            break;
        }
    }
    return Done(nEnd, 0, n);
}

int ibloc(int ud)
{
    Log("ibloc(%d);", ud);
    return Done(0, 0, 0);
}

int ibonl(int ud, int onl)
{
    Log("ibonl(%d,%d);", ud, onl);
    return Done(0, 0, 0);
}

void FindLstn(int board, const unsigned short* pads, unsigned short* results, int max)
{
    int nPads = 0;
    while (pads[nPads] != 0xFFFF)
        ++nPads;
    Log("FindLstn(%d,%d pads,%d);", board, nPads, max);
    results[0] = 5;
    results[1] = 12 | (0x62 << 8);
    Done(0, 0, 2);
}
