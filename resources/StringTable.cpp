#include "resources/StringTable.h"

#include "resources/Resource.h"

namespace {

// Every user-visible text of the program. Identifiers below 2000 belong to
// the desktop program's first texts and must not change; 2000 and above came
// later (command-line tool, Linux-specific messages), one block per area.
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
    {IDS_CLI_USAGE,
     u"Usage: vaultline-cli [--log FILE] COMMAND [ARGUMENTS]\n\nBacks up, restores and inspects the "
     u"store memories of DXR9K electronic loads.\nCommands:"},
    {IDS_CLI_EXIT_CODES,
     u"Exit codes: 0 success, 1 diff or verify found differences or doctor found a problem, 2 usage "
     u"error, 3 a memory file could not be read or written,\n4 wrong model, 5 VISA failure (the "
     u"instrument in use by another program included), 6 instrument errors,\n7 upload refused before "
     u"anything was sent, 130 cancelled.\nRun "
     u"'vaultline-cli COMMAND --help' for one command."},
    {IDS_CLI_USAGE_OF_COMMAND, u"Usage: vaultline-cli %1"},
    {IDS_CLI_UNKNOWN_COMMAND,
     u"vaultline-cli: unknown command '%1'. Run 'vaultline-cli --help' for the list of commands."},

    // 2100-2199: memory files on the command line (show, copy, diff)
    {IDS_CLI_SHOW_USAGE, u"show FILE [--memory N] [--json]"},
    {IDS_CLI_SHOW_SUMMARY,
     u"Shows the store memories of a memory file as the memory form lays them out: one line per row, "
     u"the four cells separated by tabs."},
    {IDS_CLI_COPY_USAGE, u"copy FILE SOURCE TARGET [--output OUTFILE]"},
    {IDS_CLI_COPY_SUMMARY,
     u"Copies store memory SOURCE over store memory TARGET and saves the memory file (or OUTFILE)."},
    {IDS_CLI_DIFF_USAGE, u"diff FILE_A FILE_B [--json]"},
    {IDS_CLI_DIFF_SUMMARY,
     u"Lists the values that differ between two memory files, memory by memory; exit code 1 when any "
     u"differ."},
    {IDS_CLI_MEMORY_HEADING, u"Memory %1"},
    {IDS_CLI_NOT_A_MEMORY_NUMBER, u"'%1' is not a store memory number: use 0 to 99."},
    {IDS_CLI_EXPECTED_ARGS, u"expected %1 arguments, got %2."},
    {IDS_CLI_UNKNOWN_OPTION, u"unknown option '%1'."},
    {IDS_CLI_OPTION_NEEDS_VALUE, u"option %1 needs a value."},
    {IDS_CLI_MEMORY_COPIED, u"Memory %1 copied over memory %2; saved to %3."},
    {IDS_CLI_FILES_SAME, u"The two files hold the same store memories."},
    {IDS_CLI_FILES_DIFFER, u"%1 values differ in %2 store memories."},
    {IDS_CLI_REASON, u"Reason: %1"},

    // 2200-2299: instrument I/O (resource listing); the sessions' own texts are platform/visa's
    {IDS_CLI_LIST_USAGE, u"list [--json]"},
    {IDS_CLI_LIST_SUMMARY, u"Lists the instrument resources that VISA finds (?*::INSTR), one per line."},
    {IDS_CLI_LIST_NO_RESOURCE_MANAGER,
     u"vaultline-cli list: no VISA resource manager could be created (VAULTLINE_VISA_PROVIDER=%1); "
     u"install a VISA library or unset the variable."},
    {IDS_CLI_LIST_FAILED, u"vaultline-cli list: %1"},
    {IDS_CLI_UNEXPECTED_ARGUMENT, u"unexpected argument '%1'"},

    // 2930-2939: doctor's GPIB line, bench folders and resources (2900-2929 are platform/visa's)
    {IDS_DOCTOR_GPIB_REACHED,
     u"GPIB instruments (GPIB::PAD::INSTR): reached through linux-gpib's libgpib.so.0"},
    {IDS_CLI_NOT_A_WRITABLE_FOLDER,
     u"It is not a folder this user may create files in, and it could not be made one."},
    {IDS_CLI_NO_RESOURCES_CONFIGURED,
     u"no resources: name them, give --resources-from FILE, or configure them (the resources file or "
     u"VAULTLINE_VISA_RESOURCES)."},

    // 2300-2399: instrument driver and simulator (identify)
    {IDS_CLI_IDENTIFY_USAGE, u"identify RESOURCE [--json]"},
    {IDS_CLI_IDENTIFY_SUMMARY,
     u"Identifies the DXR9K at RESOURCE: manufacturer, model, serial number, firmware and its version."},
    {IDS_IDENTIFY_MANUFACTURER, u"Manufacturer"},
    {IDS_IDENTIFY_MODEL, u"Model"},
    {IDS_IDENTIFY_SERIAL, u"Serial number"},
    {IDS_IDENTIFY_FIRMWARE, u"Firmware"},
    {IDS_IDENTIFY_FIRMWARE_VERSION, u"Firmware version"},
    {IDS_CLI_RESOURCE_MISSING, u"the VISA resource of the instrument is missing (see 'vaultline-cli list')"},
    {IDS_CLI_EXPECTED_ONE_RESOURCE, u"expected one VISA resource, not '%1'"},
    {IDS_CLI_IDENTIFY_FAILED, u"vaultline-cli identify: %1: %2"},
    {IDS_CLI_NO_ANSWER_HINT,
     u"The instrument did not answer. Check that it is switched on and connected, and that a serial "
     u"line is set to 19200bps/N/8/2/AckOFF on the instrument."},
    {IDS_CLI_NO_RESOURCE_MANAGER,
     u"No VISA resource manager could be created; install a VISA library or unset VAULTLINE_VISA_PROVIDER."},
    {IDS_CLI_IDENTIFIED_AS, u"The instrument identified itself as: %1, %2, %3, %4"},

    // 2400-2499: transfers on the command line (download, upload)
    {IDS_CLI_DOWNLOAD_USAGE, u"download RESOURCE FILE [--range FIRST-LAST] [--into BASEFILE]"},
    {IDS_CLI_DOWNLOAD_SUMMARY,
     u"Reads store memories from the instrument into a memory file, written only when the transfer "
     u"completes. All memories replace FILE; a range updates only those memories of an existing FILE "
     u"and keeps the rest (a new FILE gets defaults outside the range); with --into the memories "
     u"outside the range come from BASEFILE."},
    {IDS_CLI_UPLOAD_USAGE, u"upload FILE RESOURCE [--range FIRST-LAST] [--verify]"},
    {IDS_CLI_UPLOAD_SUMMARY,
     u"Writes the store memories of a memory file into the instrument (all, or a range). With "
     u"--verify, reads each memory back after writing it and lists the values the instrument keeps "
     u"otherwise, as verify does (exit code 1)."},
    {IDS_CLI_BAD_RANGE,
     u"--range needs two memory numbers from 0 to 99, the first not greater than the second, such "
     u"as --range 5-5 or --range 0-49 (got '%1'); nothing was sent."},
    {IDS_CLI_TRANSFER_UNKNOWN_OPTION, u"unknown option '%1'."},
    {IDS_CLI_TRANSFER_OPTION_NEEDS_VALUE, u"%1 needs a value."},
    {IDS_CLI_WRONG_ARG_COUNT, u"wrong number of arguments."},
    {IDS_CLI_DOWNLOADING, u"Downloading"},
    {IDS_CLI_UPLOADING, u"Uploading"},
    {IDS_CLI_TRANSFER_TIMEOUT,
     u"The instrument at %1 did not answer in time. Check that it is switched on and connected, "
     u"that the resource is the right one, and that a serial instrument is set to "
     u"19200bps/N/8/2/AckOFF."},
    {IDS_CLI_TRANSFER_FAILED,
     u"The transfer with %1 failed. Check the resource name and the connection ('vaultline-cli "
     u"list' shows the resources found)."},
    {IDS_CLI_WRITTEN_BEFORE_STOP,
     u"%1 of %2 memories had been written completely to the instrument when the transfer stopped."},
    {IDS_CLI_WAS_NOT_WRITTEN, u"%1 was not written."},

    // 2500-2599: document and settings

    // 2600-2699: desktop program
    {IDS_APP_USAGE, u"Usage: vaultline [FILE.xMem]\n"
                    u"Shows, copies and transfers the store memories of DXR9K electronic loads.\n"
                    u"Without a file the program starts with a new document."},
    {IDS_APP_VERSION, u"vaultline %1"},

    // 2700-2799: transfer dialog
    {IDS_INSTRUMENT_IN_USE,
     u"The instrument %1 is in use by another program: it did not become free within %2 ms. Try "
     u"again when the other program has finished with it."},
    {IDS_REPLY_TOO_LONG,
     u"The reply to %1 was too long: %2 characters, where the instrument's replies have at most %3."},
    {IDS_REPLY_DOES_NOT_FIT, u"the reply to %1 does not fit that query: \"%2\"."},
    {IDS_IN_MEMORY, u"Memory %1: %2"},
    {IDS_VALUE_TOO_LONG_FOR_COMMAND,
     u"the value of %1 makes its command longer than the instrument's %2-character buffer, so nothing of "
     u"this memory was sent."},
    {IDS_UPLOAD_REFUSED, u"The upload was refused before anything was sent to the instrument."},

    // 2740-2779: verify (command line and desktop) and merge-safe partial downloads
    {IDS_CLI_VERIFY_USAGE, u"verify FILE RESOURCE [--range FIRST-LAST] [--json]"},
    {IDS_CLI_VERIFY_SUMMARY,
     u"Reads the store memories (all, or a range) back from the instrument and lists the values that "
     u"differ from the memory file, as far as the file keeps them, memory by memory, as diff does; "
     u"nothing is written to the instrument. Exit code 1 when any differ."},
    {IDS_CLI_VERIFYING, u"Verifying"},
    {IDS_CLI_VERIFY_DIFFER, u"%1 values differ in %2 store memories between the file and the instrument."},
    {IDS_MEMO_KEPT_SHORTER, u"%1 characters; the instrument keeps %2"},
    {IDS_CLI_PARTIAL_BASE_UNREADABLE,
     u"A partial download keeps the memories outside the range from the existing %1, which could "
     u"not be read; nothing was transferred. Name a new file, or give --into BASEFILE."},
    {IDS_VERIFY_TITLE, u"Verify (PC = DXR9K)"},
    {IDS_VERIFY, u"Verify"},
    {IDS_VERIFY_SAME, u"The instrument holds the same store memories."},
    {IDS_VERIFY_DIFFER,
     u"%1 values differ in %2 store memories between the document and the instrument at %3."},
    {IDS_VERIFY_HDR_MEMORY, u"Memory"},
    {IDS_VERIFY_HDR_FIELD, u"Field"},
    {IDS_VERIFY_HDR_DOCUMENT, u"Document"},
    {IDS_VERIFY_HDR_INSTRUMENT, u"Instrument"},
    {IDS_VERIFY_HDR_NOTE, u"Note"},
    {IDS_VERIFY_RESULTS_TITLE, u"Verify Results"},

    // 2940-2979: text forms of memory files (export, import), standard streams, bench backups
    {IDS_CLI_EXPORT_USAGE, u"export FILE [--format json|csv] [--output OUT]"},
    {IDS_CLI_EXPORT_SUMMARY,
     u"Writes the store memories of a memory file as JSON (one object per memory, one value per line) "
     u"or CSV (one row per memory), to OUT or standard output ('-')."},
    {IDS_CLI_IMPORT_USAGE, u"import IN [--format json|csv] --output OUT"},
    {IDS_CLI_IMPORT_SUMMARY,
     u"Reads store memories from JSON or CSV (IN '-' is standard input) and saves them as a memory file; "
     u"memories not listed get the defaults."},
    {IDS_CLI_NOT_A_FORMAT, u"'%1' is not a format: use json or csv."},
    {IDS_TEXT_UNKNOWN_FIELD, u"line %1: unknown field '%2'."},
    {IDS_TEXT_NEEDS_QUOTED_TEXT, u"line %1: %2 needs a text in quotes."},
    {IDS_TEXT_NEEDS_NUMBER, u"line %1: %2 needs a number (or NAN, inf, -inf)."},
    {IDS_TEXT_NEEDS_BOOLEAN, u"line %1: %2 needs true or false (YES or NO in CSV)."},
    {IDS_CLI_NOTHING_WRITTEN, u"Nothing was written to %1."},
    {IDS_TEXT_NEEDS_WHOLE_NUMBER, u"line %1: %2 needs a whole number from -32768 to 32767."},
    {IDS_TEXT_INDEX_NOT_A_MEMORY, u"line %1: Index '%2' is not a store memory number 0 to 99."},
    {IDS_TEXT_MEMORY_TWICE, u"line %1: memory %2 is given twice (first on line %3)."},
    {IDS_TEXT_MEMORY_WITHOUT_INDEX, u"line %1: a memory without its Index."},
    {IDS_TEXT_INVALID_JSON, u"line %1: this is not valid JSON."},
    {IDS_TEXT_EXPECTED_MEMORIES, u"line %1: expected {\"Memories\": [ one object per memory ]}."},
    {IDS_TEXT_FIELD_TWICE, u"line %1: field '%2' is given twice."},
    {IDS_TEXT_CELL_COUNT, u"line %1: %2 cells, but the header has %3."},
    {IDS_TEXT_INVALID_CSV, u"line %1: this is not valid CSV (a quote out of place or not closed)."},
    {IDS_CLI_INPUT_TOO_LARGE, u"The input is larger than %1 MB."},
    {IDS_CLI_STANDARD_INPUT, u"standard input"},
    {IDS_TEXT_NEEDS_MEMORY_OBJECT, u"line %1: %2 needs an object of the A, B or C memory's values."},
    {IDS_CLI_IMPORTED, u"Store memories read from %1; saved to %2."},
    {IDS_CLI_STDOUT_WRITE_FAILED, u"Writing to standard output failed."},
    {IDS_CLI_BACKUP_USAGE,
     u"backup [RESOURCE...] --dir DIR [--jobs N] [--keep N] [--resources-from FILE] [--json]"},
    {IDS_CLI_BACKUP_SUMMARY,
     u"Downloads every instrument at once, one session each, into DIR/MODEL-SERIAL.xMem as its "
     u"identification names it, only when its download completed; --keep N also keeps the last N dated "
     u"copies. Without RESOURCE or --resources-from, every configured resource (the resources file and "
     u"VAULTLINE_VISA_RESOURCES). A summary on standard error (--json: on standard output); exit code 0 "
     u"only when all completed."},
    {IDS_CLI_RESTORE_USAGE,
     u"restore --dir DIR RESOURCE... [--verify] [--jobs N] [--resources-from FILE] [--json]"},
    {IDS_CLI_RESTORE_SUMMARY,
     u"Uploads to each instrument the file of DIR that carries its model and serial number "
     u"(MODEL-SERIAL.xMem), all at once; an instrument without its file is refused. --verify as for "
     u"upload."},
    {IDS_CLI_OPTION_NEEDS_WHOLE_NUMBER, u"option %1 needs a whole number of %2 or more."},
    {IDS_CLI_NO_RESOURCES, u"no resources: name them, or give --resources-from FILE."},
    {IDS_CLI_RESOURCE_TWICE, u"resource %1 is given twice."},
    {IDS_BENCH_SUMMARY_HEADER, u"Resource|Model|Serial|Result|Seconds"},
    {IDS_BENCH_COMPLETED, u"completed"},
    {IDS_BENCH_FAILED, u"failed: %1"},
    {IDS_BENCH_CANCELLED, u"cancelled"},
    {IDS_BENCH_SERIAL_ALSO_AT, u"serial number %1 is also at %2"},
    {IDS_BENCH_NO_FILE, u"no file %1 in the folder"},
    {IDS_BENCH_INSTRUMENTS_COMPLETED, u"%1 of %2 instruments completed."},
    {IDS_BENCH_NO_MODEL_SERIAL, u"the identification names no model and serial number"},

    // 2860-2899: wire trace and vaultline-cli doctor
    {IDS_CLI_LOG_OPTION_HELP,
     u"Options for every command:\n  --log FILE\n      Appends a timestamped transcript of every "
     u"command sent to the instrument and every reply,\n      lock, timeout, open and close to FILE "
     u"(the format of dxr9k-sim --log)."},
    {IDS_CLI_LOG_NOT_WRITABLE, u"vaultline-cli: the trace cannot be written to %1: %2."},
    {IDS_CLI_LOG_NEEDS_FILE, u"vaultline-cli: --log needs a file name."},
    {IDS_APP_LOG_NOT_WRITABLE, u"vaultline: the trace named by VAULTLINE_LOG cannot be written to %1: %2."},
    {IDS_APP_ENVIRONMENT_HELP,
     u"Environment:\n  VAULTLINE_LOG=FILE\n      Appends a timestamped transcript of every command "
     u"sent to an "
     u"instrument and every reply\n      to FILE, as vaultline-cli --log does."},
    {IDS_CLI_DOCTOR_USAGE, u"doctor"},
    {IDS_CLI_DOCTOR_SUMMARY,
     u"Reports what this machine can reach and what is wrong, one line each (ok, note or problem, with "
     u"what to do): the VISA in use and why, the interfaces it reaches, the resources and settings files, "
     u"each serial and usbtmc device with whether this user may open it and who holds a lock on it, and "
     u"programs that take over serial ports. Exit code 1 when something is wrong."},
    {IDS_DOCTOR_OK, u"ok"},
    {IDS_DOCTOR_NOTE, u"note"},
    {IDS_DOCTOR_PROBLEM, u"problem"},
    {IDS_DOCTOR_SYSTEM_VISA, u"VISA: the system library %1%2, %3"},
    {IDS_DOCTOR_BUILTIN_VISA, u"VISA: the built-in VISA, %1"},
    {IDS_DOCTOR_BECAUSE_PROVIDER_BUILTIN, u"because VAULTLINE_VISA_PROVIDER=builtin"},
    {IDS_DOCTOR_BECAUSE_NO_SYSTEM_VISA, u"because no system VISA library was found (looked for %1)"},
    {IDS_DOCTOR_NAMED_BY_LIBRARY_VARIABLE, u"named by VAULTLINE_VISA_LIBRARY"},
    {IDS_DOCTOR_FOUND_ON_SEARCH_PATH, u"found on the library search path as %1"},
    {IDS_DOCTOR_LIBRARY_VARIABLE_UNLOADABLE,
     u"VAULTLINE_VISA_LIBRARY names %1, which cannot be loaded as a VISA library: correct the path or "
     u"unset the variable (the built-in VISA is used meanwhile)"},
    {IDS_DOCTOR_SYSTEM_VISA_MISSING,
     u"VAULTLINE_VISA_PROVIDER=system, but no system VISA library could be loaded: install one, or unset "
     u"the variable to use the built-in VISA"},
    {IDS_DOCTOR_VISA_DETAILS, u" (VISA %1, %2, implementation %3)"},
    {IDS_DOCTOR_DEVICE_MODE_SHUTS_OUT,
     u"%1 (%2): this user may not open it although it is its owner or in its group: its access rights "
     u"(%3) shut them out; give the owner and group read and write access (MODE=\"0660\" in a udev rule)"},
    {IDS_DOCTOR_SERIAL_REACHED, u"serial lines (ASRL...::INSTR): reached; %1 serial ports on this machine"},
    {IDS_DOCTOR_USB_REACHED, u"USB instruments (USB...::INSTR): reached through the kernel's usbtmc driver"},
    {IDS_DOCTOR_USBTMC_NOT_LOADED,
     u"USB instruments (USB...::INSTR): the kernel's usbtmc driver is not loaded; it loads by itself when "
     u"a USB-TMC instrument is plugged in (or: sudo modprobe usbtmc)"},
    {IDS_DOCTOR_LAN_REACHED, u"network instruments (VXI-11 TCPIP::HOST::INSTR and LAN/GPIB gateways, HiSLIP "
                             u"TCPIP::HOST::hislipN::INSTR, raw sockets TCPIP::HOST::PORT::SOCKET): reached"},
    {IDS_DOCTOR_GPIB_NOT_REACHED,
     u"GPIB instruments (GPIB::PAD::INSTR): not reached, linux-gpib's libgpib.so.0 cannot be loaded "
     u"(%1); build and install linux-gpib to reach them"},
    {IDS_DOCTOR_RESOURCES_FILE, u"resources file %1: %2 names"},
    {IDS_DOCTOR_RESOURCES_FILE_UNREADABLE,
     u"resources file %1 cannot be read (%2): make it readable by this user"},
    {IDS_DOCTOR_RESOURCES_FILE_ABSENT, u"resources file %1: not present (it is optional)"},
    {IDS_DOCTOR_RESOURCE_NAME_INVALID, u"%1: \"%2\" is not a VISA resource name (%3): correct or remove it"},
    {IDS_DOCTOR_RESOURCES_VARIABLE, u"VAULTLINE_VISA_RESOURCES: %1 names"},
    {IDS_DOCTOR_SETTINGS_FILE_ABSENT,
     u"settings file %1: not present yet (written at the first change of a setting)"},
    {IDS_DOCTOR_SETTINGS_FILE_NOT_ACCESSIBLE,
     u"settings file %1 cannot be read and written by this user: give it back to the user (chown) or "
     u"remove it"},
    {IDS_DOCTOR_SETTINGS_FILE, u"settings file %1"},
    {IDS_DOCTOR_DEVICE_OPENABLE, u"%1 (%2): this user may open it"},
    {IDS_DOCTOR_DEVICE_NEEDS_GROUP,
     u"%1 (%2): this user may not open it; it belongs to the group '%3'. Add the user to that group: "
     u"sudo usermod -aG %3 %4, then log out and in again"},
    {IDS_DOCTOR_DEVICE_NEEDS_NEW_LOGIN,
     u"%1 (%2): the user is in the group '%3', but this login is not yet: log out and in again (or run "
     u"'newgrp %3')"},
    {IDS_DOCTOR_DEVICE_NO_UDEV_RULE,
     u"%1 (%2): this user may not open it, and no udev rule gives access to usbtmc devices: install the "
     u"vaultline package (it brings /usr/lib/udev/rules.d/60-vaultline-usbtmc.rules) or copy that rule "
     u"to /etc/udev/rules.d/, then run: sudo udevadm control --reload-rules && sudo udevadm trigger"},
    {IDS_DOCTOR_DEVICE_REPLUG,
     u"%1 (%2): this user may not open it, although %3 names usbtmc devices: unplug the instrument and "
     u"plug it in again; a rule with TAG+=\"uaccess\" serves only the user logged in at the machine, so "
     u"over a remote login use a group rule (see /usr/share/doc/vaultline/visa.md)"},
    {IDS_DOCTOR_DEVICE_LOCKED_BY,
     u"%1 is locked by %2 (process %3): end that program, or wait until it is done"},
    {IDS_DOCTOR_PORT_GRABBER_RUNNING,
     u"%1 is running (process %2) and may take over serial ports as they are plugged in: stop it (sudo "
     u"systemctl disable --now %1) or make it leave the port alone with ENV{ID_MM_DEVICE_IGNORE}=\"1\" in "
     u"a udev rule; brltty is removed with: sudo apt remove brltty"},

    // 2780-2819: files and inputs: texts a file cannot carry (special files and bounds are
    // platform/file's, platform/visa's and platform/registry's)
    {IDS_TEXT_SAVED_AS_REPLACEMENT,
     u"Memory %1, %2: %3 cannot be kept in a memory file and is saved as U+FFFD."},

    // 2820-2859: the desktop program on Linux: ended by a signal, recovery
    {IDS_RECOVERY_OFFER,
     u"DXR9K Vaultline was ended while the document %1 had unsaved changes. They were kept in %2.\n\n"
     u"Open them now? No discards them."},
    {IDS_RECOVERY_UNREADABLE, u"The kept changes in %1 could not be read.\n\n%2"},
    {IDS_RECOVERY_KEPT,
     u"vaultline: ended by %1; the unsaved changes are kept in %2 and offered at the next start."},
    {IDS_RECOVERY_NOT_KEPT, u"vaultline: ended by %1; the unsaved changes could not be kept in %2: %3"},
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
