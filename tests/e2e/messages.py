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


# The installation guards' questions, naming the installation folder on a line of its own.
CHECKING_VERSION = "Checking Version..."
REINSTALL_PROTECTION = "Reinstall protection"
SEQUENCE_PROTECTION = "Out of sequence protection"
_CONTINUE_ANYWAY = "If you want to continue and install this update anyway, click Yes."


def reinstall_question(folder: str) -> str:
    """Asked when the folder already holds the 1.40 version flag."""
    return (
        "The update program has detected that this (version 1.40) update has already been"
        " installed to the ZANT On CD program that is located in the following folder: \r\n\r\n"
        + folder + "\r\n\r\n"
        "If you have already upgraded this instance of ZANT On CD to a version HIGHER than"
        " version 1.40, click the No button below to avoid downgrading your data files.\r\n\r\n"
        + _CONTINUE_ANYWAY
    )


def sequence_question(folder: str) -> str:
    """Asked when the folder holds the flag of version 1.10 or 1.20."""
    return (
        "This update program is designed to update the ZANT On CD program from version 1.30 to"
        " version 1.40, however, Windows is reporting that you are trying to update a ZANT On CD"
        " program that is not version 1.30. It is located in the following folder: \r\n\r\n"
        + folder + "\r\n\r\n"
        "If you're not sure this instance of the ZANT On CD program is version 1.30, click the No"
        " button below to avoid downgrading your data files.\r\n\r\n"
        + _CONTINUE_ANYWAY
    )


def with_folder(step: str, folder: str) -> str:
    """The status of the first four update steps: the step, then the installation folder."""
    return step + "\r\n\r\n" + folder


REMOVING_OLD_DOCUMENTS = "Removing Old Documents..."
UPDATING_DOCUMENTS = "Updating Documents..."
UPDATING_DATABASE = "Updating Database..."
UPDATING_PROGRAM_FILES = "Updating Program Files..."
UPDATING_MACROS = "Updating Macro Directives..."
UPDATING_FLAGS = "Updating Version Flags..."
CREATING_LOG_FILE = "Creating Log File..."
COPYING_SPECIAL_FILES = "Copying special files..."
COPYING_GRAPHICS = "Copying graphics..."

# The shared components.
UPDATING_SYSTEM = "Updating your system, please wait..."
RUNTIME_INSTALLER = "VB5 Virtual Machine"
SOAP_INSTALLER = "SOAP Infrastructure"


def counting(installer: str, n: int) -> str:
    """The detail line during an installer's pause (two blanks before the count)."""
    return f"{installer}  ({n})"


# Endings.
NO_COPIES_STATUS = "ZANT On CD Update found no copies of ZANT On CD on your computer."
NO_COPIES = (
    "ZANT on CD Update found no copies of ZANT On CD on your computer.\r\n\r\n"
    "If you're sure that ZANT On CD is installed on this computer, please restart your computer"
    " and run this program again.\r\n\r\n"
    "If, after restarting your computer and running this program a second time you still"
    " encounter this error, " + _CONTACT
)
SUCCESS = (
    "ZANT On CD Update version 1.40 has completed successfully.\r\n\r\n"
    "Your computer needs to restart. Click 'OK' to restart your computer."
)


def redirection_refused(path: str) -> str:
    """The box that refuses a redirection (a file or folder '<updater>.local') beside the
    updater."""
    return ("The update program cannot run from this folder. Beside it is\r\n\r\n" + path +
            "\r\n\r\nWith it Windows could load the update program's parts from there instead "
            "of from Windows itself. Nothing has been changed on your computer.\r\n\r\n"
            "Run the update from the ZANT On CD disc, or remove that item and run it again.")


ALREADY_RUNNING = (
    "The ZANT On CD update program is already running. Please wait for it to finish.")


def success_status(count: int) -> str:
    return ("Update Successful... \r\n\r\nZANT On CD has been updated to version 1.40. (C-"
            f"{count})")


def failure_report_start(number: int) -> str:
    """How the report of an error that stopped the update begins; the error's description,
    naming the path involved, follows."""
    return f"Run-time error '{number}':\r\n\r\n"
