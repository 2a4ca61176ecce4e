# fish completion for quillomat-cli
set -l __quillomat_keys BackupRenamedFiles BackupCreateNewDir BackupOverwriteExisting \
    BackupUnrenamedFiles EnableShellExts EnableFullAutoMode RenameAsHtm ParseHTMLEntities \
    WriteRenameLog WriteErrorLog

complete -c quillomat-cli -s o -l option -x -d 'Override one option for this run only' \
    -a "(for key in $__quillomat_keys; printf '%s\n' \$key=0 \$key=1; end)"
complete -c quillomat-cli -l config-dir -x -a '(__fish_complete_directories)' \
    -d 'Read Quillomat.ini from DIR and write the logs there'
complete -c quillomat-cli -s n -l dry-run -d 'Print what a run would do; change nothing'
complete -c quillomat-cli -s r -l recursive -d 'Every directory of the tree, each a run of its own'
complete -c quillomat-cli -l json -d 'One JSON object per line on standard output'
complete -c quillomat-cli -l undo -d 'Put back the names of the most recent run'
complete -c quillomat-cli -s h -l help -d 'Show the help'
complete -c quillomat-cli -l version -d 'Show the version'
