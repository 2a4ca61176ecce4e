/* The control ids of the three windows as plain macros, so that the Windows resource script
   can include them as well as the C++ sources (common/ui.h gives them their C++ names). */
#ifndef QUILLOMAT_COMMON_CONTROL_IDS_H
#define QUILLOMAT_COMMON_CONTROL_IDS_H

/* Main window (MAINDLG). */
#define QLM_ID_PROCESS_DIR 2000
#define QLM_ID_PROCESS_FILE 2001
#define QLM_ID_OPTIONS 2002
#define QLM_ID_EXIT 2003
#define QLM_ID_STATUS_LINE 2004
#define QLM_ID_FILE_NAME 2005
#define QLM_ID_TITLE 2006
#define QLM_ID_FILES_PROCESSED 2007
#define QLM_ID_READ_ERRORS 2008
#define QLM_ID_TITLE_ERRORS 2009
#define QLM_ID_BACKUP_ERRORS 2010
#define QLM_ID_USER_RENAMED 2011
#define QLM_ID_UNRENAMED 2012
#define QLM_ID_VIEW_LOGS 2013

/* Manual rename dialog (RENAMEDLG). */
#define QLM_ID_RENAME_OK 1000
#define QLM_ID_RENAME_CANCEL 1001
#define QLM_ID_RENAME_EDIT 1002
#define QLM_ID_RENAME_PROMPT 1003

/* Options dialog (OPTDLG). */
#define QLM_ID_OPTIONS_CLOSE 3000
#define QLM_ID_OPTIONS_RESET 3001
#define QLM_ID_BACKUP_UNRENAMED_FILES 3002
#define QLM_ID_BACKUP_RENAMED_FILES 3003
#define QLM_ID_BACKUP_OVERWRITE_EXISTING 3004
#define QLM_ID_ENABLE_FULL_AUTO_MODE 3005
#define QLM_ID_RENAME_AS_HTM 3006
#define QLM_ID_WRITE_ERROR_LOG 3007
#define QLM_ID_ENABLE_SHELL_EXTS 3008
#define QLM_ID_PARSE_HTML_ENTITIES 3009
#define QLM_ID_WRITE_RENAME_LOG 3010
#define QLM_ID_BACKUP_CREATE_NEW_DIR 3011

/* The program's icon. */
#define QLM_ID_ICON 500

#endif
