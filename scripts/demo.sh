#!/usr/bin/env bash
# The demo: a fresh data folder with its own settings store, made and filled by zebhost.
# Nothing outside the demo folder is touched.
set -euo pipefail
build="${1:-build}"
zebhost="$build/tools/zebhost/zebhost"
demo="$(pwd)/demo-data"
rm -rf "$demo"
mkdir -p "$demo"
export ZEB_SETTINGS_FILE="$demo/settings.ini"

"$zebhost" init --data "$demo/data" --exe "$demo/program"
"$zebhost" project add "My Site" --home-page http://mysite.localhost/
cat > "$demo/partners.csv" <<'CSV'
name,home page,start page,start hop,find text,link text
Cats Corner,http://cats.localhost/,,,mysite.localhost,"<a href=""http://mysite.localhost/"">My Site</a>"
Dog Days,http://dogs.localhost/,http://dogs.localhost/links/,1,mysite.localhost,
Bird Watch,http://birds.localhost/,,,mysite.localhost,
CSV
"$zebhost" partner import --project "My Site" "$demo/partners.csv"
echo
"$zebhost" project list
echo
"$zebhost" partner list --project "My Site"
echo
echo "Settings store: $ZEB_SETTINGS_FILE"
echo "Tables:         $demo/data/zeb.sqlite"
