"""The updater's own texts, exactly as the user sees them (CR LF line breaks)."""

TITLE = "ZANT On CD v 1.40 Update"
CANCEL_TITLE = "Cancel Update?"

_CONTACT = "contact Melcor for assistance (call 555-301-0147)."

STARTUP_NOTICE = (
    "Please make sure the ZANT On CD program is not currently running. If it is, close it now"
    " and then click the OK button below to continue.\r\n\r\n"
    "If you run this update program and encounter an error before finishing, restart your"
    " computer and run this update program again.\r\n\r\n"
    "If you still encounter an error, " + _CONTACT
)

NO_HARD_DRIVES = (
    "Windows is reporting that this computer has no hard drives.\r\n\r\n"
    "Please restart your computer and run this program again.\r\n\r\n"
    "If, after restarting your computer you still see this message, " + _CONTACT
)

NOT_INSTALLED = (
    "Windows is reporting that ZANT On CD is not installed on this computer.\r\n\r\n"
    "If you're sure that ZANT On CD is installed on this computer, please restart your computer"
    " and run this program again.\r\n\r\n"
    "If, after restarting your computer and running this program a second time you still"
    " encounter this error, " + _CONTACT
)

CANCEL_QUESTION = (
    "Your ZANT on CD program has not been updated.\r\n\r\n"
    "Click Yes if you want to continue the update.\r\n"
    "Click No if you want to cancel the update."
)

ANALYZING = "Analyzing your system, Please wait..."


def searching(letter: str) -> str:
    """The status line while drive `letter` is searched."""
    return (
        "Welcome\r\n\r\nZANT On CD Update is now searching drive " + letter
        + " for all copies of the ZANT On CD program.\r\n\r\nPlease wait..."
    )
