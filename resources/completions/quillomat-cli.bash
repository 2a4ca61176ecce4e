# bash completion for quillomat-cli
_quillomat_cli() {
    local cur prev
    _init_completion || return
    local keys="BackupRenamedFiles BackupCreateNewDir BackupOverwriteExisting BackupUnrenamedFiles EnableShellExts EnableFullAutoMode RenameAsHtm ParseHTMLEntities WriteRenameLog WriteErrorLog"
    case $prev in
        -o | --option)
            local key values=()
            for key in $keys; do values+=("$key=0" "$key=1"); done
            COMPREPLY=($(compgen -W "${values[*]}" -- "$cur"))
            return
            ;;
        --config-dir)
            _filedir -d
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--option --config-dir --dry-run --recursive --json --undo --help --version --" -- "$cur"))
        return
    fi
    # A directory, or one HTML file in any letter case.
    _filedir '@([hH][tT][mM]|[hH][tT][mM][lL])'
} &&
    complete -F _quillomat_cli quillomat-cli
