#include "resources/StringTable.h"

#include "resources/Resource.h"

namespace {

// Every user-visible text of the program. Identifiers below 2000 are those of
// the original resource script and must not change; 2000 and above are texts of
// this port's own (command-line tool, Linux-specific messages), one block per area.
const TEXTENTRY s_Strings[] = {
    // Frame and application
    {IDS_APP_TITLE, u"DXR9K Vaultline"},
    {AFX_IDS_IDLEMESSAGE, u"Ready"},
    {AFX_IDS_UNTITLED, u"Untitled"},
    {AFX_IDP_ASK_TO_SAVE, u"Save changes to %s?"},

    // Tree and transfer dialog
    {IDS_MEMORIES, u"Memories"},
    {IDS_UPLOAD, u"Upload"},
    {IDS_DOWNLOAD, u"Download"},
    {IDS_UPLOAD_TITLE, u"Upload (PC \u0081--> DXR9K)"},
    {IDS_DOWNLOAD_TITLE, u"Download (DXR9K \u0081--> PC)"},

    // Memory form
    {IDS_NO_VALUE, u"-"},
    {IDS_GROUP_DEFAULT, u"Default"},
    {IDS_GROUP_OTHER, u"Other Settings"},
    {IDS_GROUP_ABC, u"ABC Memories"},
    {IDS_HDR_ITEM, u"Item"},
    {IDS_HDR_SETTINGS, u"Settings"},
    {IDS_HDR_PROTECTION, u"Protection"},
    {IDS_HDR_ACTION, u"Action"},
    {IDS_RANGE_LOW, u"LOW"},
    {IDS_RANGE_MEDIUM, u"MEDium"},
    {IDS_RANGE_HIGH, u"HIGH"},
    {IDS_A_MEMORY, u"A Memory"},
    {IDS_B_MEMORY, u"B Memory"},
    {IDS_C_MEMORY, u"C Memory"},
    {IDS_ROW_MODE, u"Mode"},
    {IDS_ROW_MEMO, u"Memo"},
    {IDS_ROW_CRANGE, u"C Range"},
    {IDS_ROW_VRANGE, u"V Range"},
    {IDS_ROW_CURRENT, u"Current[A]"},
    {IDS_ROW_POWER, u"Power[W]"},
    {IDS_ROW_VOLTAGE, u"Voltage[V]"},
    {IDS_ROW_CONDUCTANCE, u"Conductance[S]"},
    {IDS_ROW_SOFTSTART, u"Soft Start Time[s]"},
    {IDS_ROW_COUNTTIME, u"Count Time"},
    {IDS_ROW_RESPONSE, u"Response"},
    {IDS_ROW_SLEWRATE, u"Slew Rate[A/us]"},
    {IDS_ROW_PULSEFREQ, u"Pulse(Freq)"},
    {IDS_ROW_PULSEDUTY, u"Pulse(Duty)"},
    {IDS_ROW_INPUTTIME, u"InputTime[s]"},

    // Messages
    {IDS_FILE_NOT_READ, u"The file %s could not be read."},
    {IDS_FILE_NOT_WRITTEN, u"The file %s could not be writen."},
    {IDS_TRANSFER_COMPLETED, u"Transfer has completed."},
    {IDS_TRANSFER_ABORTED, u"Transfer has been aborted."},
    {IDS_WRONG_MODEL, u"Wrong model was detected. This program works with TALVERO DXR-9K/9KA series only."},

    // Command prompts and tooltips
    {ID_TRANSFER_UPLOAD, u"Uploads store memory contents to the instrument\nUpload"},
    {ID_TRANSFER_DOWNLOAD, u"Downloads store memory contents from the instrument\nDownload"},
    {ID_TRANSFER_VERIFY, u"Compares the store memories of the instrument with the document\nVerify"},
    {ID_EDIT_PASTE_OVERWRITE,
     u"Overwrite the Clipboard contents at the current insertion\nPaste As Overwrite"},
    {ID_EDIT_COPY_MEMORY, u"Copy the item currently selected to the Clipboard\nCopy"},
    {ID_HELP_INDEX, u"Shows online help for this application"},
    {ID_FILE_NEW, u"Create a new document\nNew"},
    {ID_FILE_OPEN, u"Open an existing document\nOpen"},
    {ID_FILE_SAVE, u"Save the active document\nSave"},
    {ID_FILE_SAVE_AS, u"Save the active document with a new name\nSave As"},
    {ID_APP_ABOUT, u"Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, u"Quit the application; prompts to save documents\nExit"},
    {ID_VIEW_TOOLBAR, u"Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, u"Show or hide the status bar\nToggle StatusBar"},
    {ID_NEXT_PANE, u"Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, u"Switch back to the previous window pane\nPrevious Pane"},
    {ID_INDICATOR_CAPS, u"CAP"},
    {ID_INDICATOR_NUM, u"NUM"},
    {ID_INDICATOR_SCRL, u"SCRL"},

    // 2000-2099: command-line tool, common texts
    {2000, u"Usage: vaultline-cli [--log FILE] COMMAND [ARGUMENTS]\n\nBacks up, restores and inspects the "
           u"store memories of DXR9K electronic loads.\nCommands:"},
    {2001, u"Exit codes: 0 success, 1 diff or verify found differences or doctor found a problem, 2 usage "
           u"error, 3 a memory file could not be read or written,\n4 wrong model, 5 VISA failure (the "
           u"instrument in use by another program included), 6 instrument errors,\n7 upload refused before "
           u"anything was sent, 130 cancelled.\nRun "
           u"'vaultline-cli COMMAND --help' for one command."},
    {2002, u"Usage: vaultline-cli %1"},
    {2003, u"vaultline-cli: unknown command '%1'. Run 'vaultline-cli --help' for the list of commands."},

    // 2100-2199: memory files on the command line (show, copy, diff)
    {2100, u"show FILE [--memory N] [--json]"},
    {2101, u"Shows the store memories of a memory file as the memory form lays them out: one line per row, "
           u"the four cells separated by tabs."},
    {2102, u"copy FILE SOURCE TARGET [--output OUTFILE]"},
    {2103, u"Copies store memory SOURCE over store memory TARGET and saves the memory file (or OUTFILE)."},
    {2104, u"diff FILE_A FILE_B [--json]"},
    {2105, u"Lists the values that differ between two memory files, memory by memory; exit code 1 when any "
           u"differ."},
    {2106, u"Memory %1"},
    {2107, u"'%1' is not a store memory number: use 0 to 99."},
    {2108, u"expected %1 arguments, got %2."},
    {2109, u"unknown option '%1'."},
    {2110, u"option %1 needs a value."},
    {2111, u"Memory %1 copied over memory %2; saved to %3."},
    {2112, u"The two files hold the same store memories."},
    {2113, u"%1 values differ in %2 store memories."},
    {2114, u"Reason: %1"},

    // 2200-2299: instrument I/O (resource listing); the sessions' own texts are platform/visa's
    {2200, u"list [--json]"},
    {2201, u"Lists the instrument resources that VISA finds (?*::INSTR), one per line."},
    {2202, u"vaultline-cli list: no VISA resource manager could be created (VAULTLINE_VISA_PROVIDER=%1); "
           u"install a VISA library or unset the variable."},
    {2203, u"vaultline-cli list: %1"},
    {2204, u"unexpected argument '%1'"},

    // 2930-2939: doctor's GPIB line, bench folders and resources (2900-2929 are platform/visa's)
    {2930, u"GPIB instruments (GPIB::PAD::INSTR): reached through linux-gpib's libgpib.so.0"},
    {2931, u"It is not a folder this user may create files in, and it could not be made one."},
    {2932, u"no resources: name them, give --resources-from FILE, or configure them (the resources file or "
           u"VAULTLINE_VISA_RESOURCES)."},

    // 2300-2399: instrument driver and simulator (identify)
    {2300, u"identify RESOURCE [--json]"},
    {2301,
     u"Identifies the DXR9K at RESOURCE: manufacturer, model, serial number, firmware and its version."},
    {2302, u"Manufacturer"},
    {2303, u"Model"},
    {2304, u"Serial number"},
    {2305, u"Firmware"},
    {2306, u"Firmware version"},
    {2307, u"the VISA resource of the instrument is missing (see 'vaultline-cli list')"},
    {2308, u"expected one VISA resource, not '%1'"},
    {2309, u"vaultline-cli identify: %1: %2"},
    {2310, u"The instrument did not answer. Check that it is switched on and connected, and that a serial "
           u"line is set to 19200bps/N/8/2/AckOFF on the instrument."},
    {2311,
     u"No VISA resource manager could be created; install a VISA library or unset VAULTLINE_VISA_PROVIDER."},
    {2312, u"The instrument identified itself as: %1, %2, %3, %4"},

    // 2400-2499: transfers on the command line (download, upload)
    {2400, u"download RESOURCE FILE [--range FIRST-LAST] [--into BASEFILE]"},
    {2401, u"Reads store memories from the instrument into a memory file, written only when the transfer "
           u"completes. All memories replace FILE; a range updates only those memories of an existing FILE "
           u"and keeps the rest (a new FILE gets defaults outside the range); with --into the memories "
           u"outside the range come from BASEFILE."},
    {2402, u"upload FILE RESOURCE [--range FIRST-LAST] [--verify]"},
    {2403, u"Writes the store memories of a memory file into the instrument (all, or a range). With "
           u"--verify, reads each memory back after writing it and lists the values the instrument keeps "
           u"otherwise, as verify does (exit code 1)."},
    {2404, u"--range needs two memory numbers from 0 to 99, the first not greater than the second, such "
           u"as --range 5-5 or --range 0-49 (got '%1'); nothing was sent."},
    {2405, u"unknown option '%1'."},
    {2406, u"%1 needs a value."},
    {2407, u"wrong number of arguments."},
    {2408, u"Downloading"},
    {2409, u"Uploading"},
    {2410, u"The instrument at %1 did not answer in time. Check that it is switched on and connected, "
           u"that the resource is the right one, and that a serial instrument is set to "
           u"19200bps/N/8/2/AckOFF."},
    {2411, u"The transfer with %1 failed. Check the resource name and the connection ('vaultline-cli "
           u"list' shows the resources found)."},
    {2412, u"%1 of %2 memories had been written completely to the instrument when the transfer stopped."},
    {2413, u"%1 was not written."},

    // 2500-2599: document and settings

    // 2600-2699: desktop program
    {2600, u"Usage: vaultline [FILE.xMem]\n"
           u"Shows, copies and transfers the store memories of DXR9K electronic loads.\n"
           u"Without a file the program starts with a new document."},
    {2601, u"vaultline %1"},

    // 2700-2799: transfer dialog
    {2700, u"The instrument %1 is in use by another program: it did not become free within %2 ms. Try "
           u"again when the other program has finished with it."},
    {2701, u"The reply to %1 was too long: %2 characters, where the instrument's replies have at most %3."},
    {2702, u"the reply to %1 does not fit that query: \"%2\"."},
    {2703, u"Memory %1: %2"},
    {2704,
     u"the value of %1 makes its command longer than the instrument's %2-character buffer, so nothing of "
     u"this memory was sent."},
    {2705, u"The upload was refused before anything was sent to the instrument."},

    // 2740-2779: verify (command line and desktop) and merge-safe partial downloads
    {2740, u"verify FILE RESOURCE [--range FIRST-LAST] [--json]"},
    {2741, u"Reads the store memories (all, or a range) back from the instrument and lists the values that "
           u"differ from the memory file, as far as the file keeps them, memory by memory, as diff does; "
           u"nothing is written to the instrument. Exit code 1 when any differ."},
    {2742, u"Verifying"},
    {2743, u"%1 values differ in %2 store memories between the file and the instrument."},
    {2744, u"%1 characters; the instrument keeps %2"},
    {2745, u"A partial download keeps the memories outside the range from the existing %1, which could "
           u"not be read; nothing was transferred. Name a new file, or give --into BASEFILE."},
    {2746, u"Verify (PC = DXR9K)"},
    {2747, u"Verify"},
    {2748, u"The instrument holds the same store memories."},
    {2749, u"%1 values differ in %2 store memories between the document and the instrument at %3."},
    {2750, u"Memory"},
    {2751, u"Field"},
    {2752, u"Document"},
    {2753, u"Instrument"},
    {2754, u"Note"},
    {2755, u"Verify Results"},

    // 2940-2979: text forms of memory files (export, import), standard streams, bench backups
    {2940, u"export FILE [--format json|csv] [--output OUT]"},
    {2941, u"Writes the store memories of a memory file as JSON (one object per memory, one value per line) "
           u"or CSV (one row per memory), to OUT or standard output ('-')."},
    {2942, u"import IN [--format json|csv] --output OUT"},
    {2943,
     u"Reads store memories from JSON or CSV (IN '-' is standard input) and saves them as a memory file; "
     u"memories not listed get the defaults."},
    {2944, u"'%1' is not a format: use json or csv."},
    {2945, u"line %1: unknown field '%2'."},
    {2946, u"line %1: %2 needs a text in quotes."},
    {2947, u"line %1: %2 needs a number (or NAN, inf, -inf)."},
    {2948, u"line %1: %2 needs true or false (YES or NO in CSV)."},
    {2949, u"Nothing was written to %1."},
    {2950, u"line %1: %2 needs a whole number from -32768 to 32767."},
    {2951, u"line %1: Index '%2' is not a store memory number 0 to 99."},
    {2952, u"line %1: memory %2 is given twice (first on line %3)."},
    {2953, u"line %1: a memory without its Index."},
    {2954, u"line %1: this is not valid JSON."},
    {2955, u"line %1: expected {\"Memories\": [ one object per memory ]}."},
    {2956, u"line %1: field '%2' is given twice."},
    {2957, u"line %1: %2 cells, but the header has %3."},
    {2958, u"line %1: this is not valid CSV (a quote out of place or not closed)."},
    {2959, u"The input is larger than %1 MB."},
    {2960, u"standard input"},
    {2961, u"line %1: %2 needs an object of the A, B or C memory's values."},
    {2962, u"Store memories read from %1; saved to %2."},
    {2963, u"standard output"},
    {2964, u"Writing to standard output failed."},
    {2965, u"backup [RESOURCE...] --dir DIR [--jobs N] [--keep N] [--resources-from FILE] [--json]"},
    {2966,
     u"Downloads every instrument at once, one session each, into DIR/MODEL-SERIAL.xMem as its "
     u"identification names it, only when its download completed; --keep N also keeps the last N dated "
     u"copies. Without RESOURCE or --resources-from, every configured resource (the resources file and "
     u"VAULTLINE_VISA_RESOURCES). A summary on standard error (--json: on standard output); exit code 0 "
     u"only when all completed."},
    {2967, u"restore --dir DIR RESOURCE... [--verify] [--jobs N] [--resources-from FILE] [--json]"},
    {2968, u"Uploads to each instrument the file of DIR that carries its model and serial number "
           u"(MODEL-SERIAL.xMem), all at once; an instrument without its file is refused. --verify as for "
           u"upload."},
    {2969, u"option %1 needs a whole number of %2 or more."},
    {2970, u"no resources: name them, or give --resources-from FILE."},
    {2971, u"resource %1 is given twice."},
    {2972, u"Resource|Model|Serial|Result|Seconds"},
    {2973, u"completed"},
    {2974, u"failed: %1"},
    {2975, u"cancelled"},
    {2976, u"serial number %1 is also at %2"},
    {2977, u"no file %1 in the folder"},
    {2978, u"%1 of %2 instruments completed."},
    {2979, u"the identification names no model and serial number"},

    // 2860-2899: wire trace and vaultline-cli doctor
    {2860, u"Options for every command:\n  --log FILE\n      Appends a timestamped transcript of every "
           u"command sent to the instrument and every reply,\n      lock, timeout, open and close to FILE "
           u"(the format of dxr9k-sim --log)."},
    {2861, u"vaultline-cli: the trace cannot be written to %1: %2."},
    {2862, u"vaultline-cli: --log needs a file name."},
    {2863, u"vaultline: the trace named by VAULTLINE_LOG cannot be written to %1: %2."},
    {2864, u"Environment:\n  VAULTLINE_LOG=FILE\n      Appends a timestamped transcript of every command "
           u"sent to an "
           u"instrument and every reply\n      to FILE, as vaultline-cli --log does."},
    {2865, u"doctor"},
    {2866,
     u"Reports what this machine can reach and what is wrong, one line each (ok, note or problem, with "
     u"what to do): the VISA in use and why, the interfaces it reaches, the resources and settings files, "
     u"each serial and usbtmc device with whether this user may open it and who holds a lock on it, and "
     u"programs that take over serial ports. Exit code 1 when something is wrong."},
    {2867, u"ok"},
    {2868, u"note"},
    {2869, u"problem"},
    {2870, u"VISA: the system library %1%2, %3"},
    {2871, u"VISA: the built-in VISA, %1"},
    {2872, u"because VAULTLINE_VISA_PROVIDER=builtin"},
    {2873, u"because no system VISA library was found (looked for %1)"},
    {2874, u"named by VAULTLINE_VISA_LIBRARY"},
    {2875, u"found on the library search path as %1"},
    {2876, u"VAULTLINE_VISA_LIBRARY names %1, which cannot be loaded as a VISA library: correct the path or "
           u"unset the variable (the built-in VISA is used meanwhile)"},
    {2877,
     u"VAULTLINE_VISA_PROVIDER=system, but no system VISA library could be loaded: install one, or unset "
     u"the variable to use the built-in VISA"},
    {2878, u" (VISA %1, %2, implementation %3)"},
    {2879,
     u"%1 (%2): this user may not open it although it is its owner or in its group: its access rights "
     u"(%3) shut them out; give the owner and group read and write access (MODE=\"0660\" in a udev rule)"},
    {2880, u"serial lines (ASRL...::INSTR): reached; %1 serial ports on this machine"},
    {2881, u"USB instruments (USB...::INSTR): reached through the kernel's usbtmc driver"},
    {2882,
     u"USB instruments (USB...::INSTR): the kernel's usbtmc driver is not loaded; it loads by itself when "
     u"a USB-TMC instrument is plugged in (or: sudo modprobe usbtmc)"},
    {2883, u"network instruments (VXI-11 TCPIP::HOST::INSTR and LAN/GPIB gateways, HiSLIP "
           u"TCPIP::HOST::hislipN::INSTR, raw sockets TCPIP::HOST::PORT::SOCKET): reached"},
    {2884, u"GPIB instruments (GPIB::PAD::INSTR): not reached, linux-gpib's libgpib.so.0 cannot be loaded "
           u"(%1); build and install linux-gpib to reach them"},
    {2885, u"resources file %1: %2 names"},
    {2886, u"resources file %1 cannot be read (%2): make it readable by this user"},
    {2887, u"resources file %1: not present (it is optional)"},
    {2888, u"%1: \"%2\" is not a VISA resource name (%3): correct or remove it"},
    {2889, u"VAULTLINE_VISA_RESOURCES: %1 names"},
    {2890, u"settings file %1: not present yet (written at the first change of a setting)"},
    {2891, u"settings file %1 cannot be read and written by this user: give it back to the user (chown) or "
           u"remove it"},
    {2892, u"settings file %1"},
    {2893, u"%1 (%2): this user may open it"},
    {2894, u"%1 (%2): this user may not open it; it belongs to the group '%3'. Add the user to that group: "
           u"sudo usermod -aG %3 %4, then log out and in again"},
    {2895, u"%1 (%2): the user is in the group '%3', but this login is not yet: log out and in again (or run "
           u"'newgrp %3')"},
    {2896,
     u"%1 (%2): this user may not open it, and no udev rule gives access to usbtmc devices: install the "
     u"vaultline package (it brings /usr/lib/udev/rules.d/60-vaultline-usbtmc.rules) or copy that rule "
     u"to /etc/udev/rules.d/, then run: sudo udevadm control --reload-rules && sudo udevadm trigger"},
    {2897,
     u"%1 (%2): this user may not open it, although %3 names usbtmc devices: unplug the instrument and "
     u"plug it in again; a rule with TAG+=\"uaccess\" serves only the user logged in at the machine, so "
     u"over a remote login use a group rule (see /usr/share/doc/vaultline/visa.md)"},
    {2898, u"%1 is locked by %2 (process %3): end that program, or wait until it is done"},
    {2899,
     u"%1 is running (process %2) and may take over serial ports as they are plugged in: stop it (sudo "
     u"systemctl disable --now %1) or make it leave the port alone with ENV{ID_MM_DEVICE_IGNORE}=\"1\" in "
     u"a udev rule; brltty is removed with: sudo apt remove brltty"},

    // 2780-2819: files and inputs: texts a file cannot carry (special files and bounds are
    // platform/file's, platform/visa's and platform/registry's)
    {2788, u"Memory %1, %2: %3 cannot be kept in a memory file and is saved as U+FFFD."},

    // 2820-2859: the desktop program on Linux: ended by a signal, recovery
    {2820, u"DXR9K Vaultline was ended while the document %1 had unsaved changes. They were kept in %2.\n\n"
           u"Open them now? No discards them."},
    {2821, u"The kept changes in %1 could not be read.\n\n%2"},
    {2822, u"vaultline: ended by %1; the unsaved changes are kept in %2 and offered at the next start."},
    {2823, u"vaultline: ended by %1; the unsaved changes could not be kept in %2: %3"},
};

} // namespace

const CTextTable& ProgramStrings()
{
    static const CTextTable table(s_Strings);
    return table;
}

QString LoadResString(unsigned nId)
{
    return ProgramStrings().Text(nId);
}

QString FormatResString(unsigned nId, const QString& strArg)
{
    QString str = LoadResString(nId);
    const int nPos = str.indexOf(QLatin1String("%s"));
    if (nPos >= 0)
        str.replace(nPos, 2, EscapeControlCharacters(strArg));
    return str;
}

QString EscapeControlCharacters(const QString& str, const QString& strKeep)
{
    QString strOut;
    for (const QChar c : str) {
        const char16_t u = c.unicode();
        const bool bControl = u < 0x20 || (u >= 0x7F && u <= 0x9F);
        if (bControl && !strKeep.contains(c))
            strOut += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
        else
            strOut += c;
    }
    return strOut;
}

QString LoadResPrompt(unsigned nId)
{
    return LoadResString(nId).section(QLatin1Char('\n'), 0, 0);
}

QString LoadResTooltip(unsigned nId)
{
    const QString str = LoadResString(nId);
    const int nPos = str.indexOf(QLatin1Char('\n'));
    return nPos < 0 ? QString() : str.mid(nPos + 1);
}
