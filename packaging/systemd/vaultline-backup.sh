#!/bin/sh
# Backs up every instrument of the bench into the git repository
# VAULTLINE_BACKUP_REPO and commits when something changed; nothing is
# committed when all memory files are as they were. The resources are listed
# one a line in VAULTLINE_BACKUP_RESOURCES (a file). An instrument whose
# backup fails keeps its last file; the exit code then says so (the commit
# of the others still happens).
set -u
repo=${VAULTLINE_BACKUP_REPO:?set VAULTLINE_BACKUP_REPO to the git repository}
resources=${VAULTLINE_BACKUP_RESOURCES:?set VAULTLINE_BACKUP_RESOURCES to the file of resources}
cli=${VAULTLINE_CLI:-vaultline-cli}

cd "$repo" || exit 3
if [ ! -d .git ]; then
    git init -q . || exit 3
fi
# Readable diffs of the memory files in git log -p (see docs/memfile.md).
if [ ! -f .gitattributes ]; then
    echo '*.xMem diff=vaultline' > .gitattributes
fi
git config diff.vaultline.textconv "$cli export --format json --output -"
git config diff.vaultline.xfuncname '"Index": [0-9]+'

"$cli" backup --resources-from "$resources" --dir . --json > last-backup.json
status=$?

git add -A -- '*.xMem' .gitattributes
if ! git diff --cached --quiet; then
    git -c user.name="${VAULTLINE_BACKUP_NAME:-vaultline backup}" \
        -c user.email="${VAULTLINE_BACKUP_EMAIL:-vaultline-backup@localhost}" \
        commit -q -m "Backup $(date '+%Y-%m-%d %H:%M')" || exit 3
fi
exit $status
