#!/usr/bin/env bash
# DVQInfo.nxo, DVQLogs.nxo and DVQJobs.nxo for real under Wine, through the host, the core
# and the XML serializer into a packed NoxResult.exe, read back with nxz. The
# test installs a made-up document server product into a Wine prefix of its
# own (registry keys by a .reg import; installation, data, configuration, log
# and job folders; a batch file; data files naming 127.0.0.1, localhost and a name
# that does not resolve; the control files beside the host) and runs inside a
# network namespace of its own, so that the name lookups and echo requests
# never leave its loopback. The PDF printer's folder is left to the recorded
# tests: this prefix has no printer.
#   docserver-through-host.sh BUILD_DIR
set -uo pipefail
if [ -z "${NOX_DOCSERVER_NETNS:-}" ]; then
  exec unshare --net env NOX_DOCSERVER_NETNS=1 bash "$0" "$@"
fi
ip link set lo up || { echo "FAIL - no loopback in the test's network namespace"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../host/tests/host-test-lib.sh" "$1" docserver-host
export NOX_WINEPREFIX=$work/prefix
drive=$NOX_WINEPREFIX/drive_c
trap 'WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null' EXIT

cp "$bin"/NxInfo.ini "$bin"/NetDiag.dll "$bin"/verlist.exe "$bin"/DVQInfo.nxo "$bin"/DVQLogs.nxo "$bin"/DVQJobs.nxo "$work/app/"
wine "$work/app/NxInfo.exe" list >/dev/null  # the prefix exists from here on

# The product's folders.
mkdir -p "$drive/Kestin/Master" "$drive/Kestin/qvdetc" "$drive/Kestin/bin" "$drive/Kestin/log" \
  "$drive/KestinData/Tallow" "$drive/KestinData/Gimlet" "$drive/Pelion/etc" "$drive/Sarnet2"
printf '@echo off\r\nnet start kestin\r\n' >"$drive/Kestin/start.bat"
printf '[server]\r\nport=7100\r\n' >"$drive/Kestin/Master/server.cfg"
printf '[Product]\r\nsubType=Pro\r\n[path]\r\ndata=C:\\KestinData\\Gimlet\r\n' >"$drive/Kestin/qvdetc/qvd.cnf"
printf 'MZ' >"$drive/Kestin/bin/server.exe"
printf 'started\r\n' >"$drive/Kestin/log/server.log"
printf 'gimlet\r\n' >"$drive/KestinData/Gimlet/qvd.ini"
printf 'pelion.type=Cluster\npelion.version.major=4\npelion.version.minor=2\npelion.version.postfix=SP1\n' \
  >"$drive/Pelion/etc/orvex.properties"
printf 'sarnet\r\n' >"$drive/Sarnet2/readme.txt"
# Job folders: one file and one empty folder in SOption, the spool and FTP
# folders of the data folder, and a queue joblist.txt names.
mkdir -p "$drive/Kestin/SOption/done" "$drive/Kestin/SOJobMng" "$drive/KestinData/Gimlet/Spool" \
  "$drive/KestinData/Gimlet/FtpRoot" "$drive/Kestin/queue"
printf '<job/>' >"$drive/Kestin/SOption/job1.xml"
printf 'mng' >"$drive/Kestin/SOJobMng/mng.dat"
printf 'spool' >"$drive/KestinData/Gimlet/Spool/0001.spl"
printf '%%!' >"$drive/KestinData/Gimlet/FtpRoot/in.ps"
printf 'queued' >"$drive/Kestin/queue/q1.job"
# Logs: the product's log root, the SOP folder, Sarnet2's bin\log.
mkdir -p "$drive/Kestin/SOP" "$drive/Sarnet2/bin/log"
printf 'sop' >"$drive/Kestin/SOP/sop.log"
printf 'sarnet log' >"$drive/Sarnet2/bin/log/sarnet.log"
python3 "$root/plugins/dvqcommon/tests/make-data-files.py" twctrl "$drive/KestinData/Tallow/TwCtrl.dat" \
  127.0.0.1 no-such-host.invalid
python3 "$root/plugins/dvqcommon/tests/make-data-files.py" devroll "$drive/KestinData/Gimlet/devroll.dir" \
  "$drive/KestinData/Gimlet/devroll.tdb" localhost

# Its registry: edition A with a model and a data folder written with slashes,
# edition D with its data folder in qvd.cnf, Pelion, and a tool the control
# files name.
cat >"$work/product.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Varco\Tessaro]
"InstallDir"="C:\\Kestin"

[HKEY_LOCAL_MACHINE\Software\Varco\Tessaro\Common\Log]
"LogRoot"="C:\\Kestin\\log"

[HKEY_LOCAL_MACHINE\Software\Varco\Tessaro\Standard]
"DATAPATH"="C:/KestinData/Tallow"

[HKEY_LOCAL_MACHINE\Software\Varco\Tessaro\Standard\CurrentVersion]
"Version"="7.1"
"MODEL"="DS-40"

[HKEY_LOCAL_MACHINE\Software\Varco\Tessaro\Gimlet]
"Version"="9.0"

[HKEY_LOCAL_MACHINE\Software\Varco\Pelion]
"InstallPath"="C:\\Pelion"

[HKEY_LOCAL_MACHINE\Software\Varco\Sarnet2]
"InstallDir"="C:\\Sarnet2"

[HKEY_LOCAL_MACHINE\Software\Varco\Tool]
"Path"="C:\\Kestin\\bin"
"ImagePath"="\"C:\\Kestin\\bin\\server.exe\" -service"
REG
sed -i 's/$/\r/' "$work/product.reg"
wine regedit /S "$(winpath "$work/product.reg")"
printf '# name\tkey\r\ntool\tSoftware\\Varco\\Tool\r\n' >"$work/app/reglist.txt"
printf '# name\tkey\\value\tspecification\r\nlogs\tSoftware\\Varco\\Tool\\Path\tbase:log\\*.log\r\nnoValue\tSoftware\\Varco\\Tool\\Gone\tx\r\n' \
  >"$work/app/cnflist.txt"
printf 'service\tSoftware\\Varco\\Tool\\ImagePath:1\r\n' >"$work/app/filelist_regseparator.txt"
printf '# name\tkey\\value\tfolder\r\nqueue\tSoftware\\Varco\\Tessaro\\InstallDir\tqueue\r\ngone\tSoftware\\Varco\\Tool\\Gone\tx\r\n' \
  >"$work/app/joblist.txt"
printf 'toolLogs\tSoftware\\Varco\\Tool\\Path\tbase:log\\*.log\r\n' >"$work/app/loglist.txt"
printf 'serviceLogs\tSoftware\\Varco\\Tool\\ImagePath:2\tlog\r\n' >"$work/app/loglist_regseparator.txt"
printf 'fromEnvironment\tDVQ_TEST_LOGS\t*.log\r\nunset\tDVQ_TEST_UNSET\tx\r\n' >"$work/app/loglist_env.txt"
export DVQ_TEST_LOGS='C:\Kestin\log'

# Started from elsewhere: the lister is found beside the host all the same.
cd "$work"
wine "$work/app/NxInfo.exe" --only "DVQ Information Plugin,DVQLogs Plugin,DVQ Job Detail Plugin" run "$(winpath "$work/packed")" \
  >"$work/stdout"
check "the run exits 0" test $? -eq 0
check "NoxResult.exe is written" test -f "$work/packed/NoxResult.exe"
wine "$bin/nxz.exe" extract "$(winpath "$work/packed/NoxResult.exe")" "$(winpath "$work/result")" >/dev/null
check "nxz extracts it" test $? -eq 0
doc=$work/result/NoxInfo.xml
check "NoxInfo.xml is well-formed" xmllint --noout "$doc"
value() { xpath "normalize-space($1)"; }
result=$work/result
side() { local relative; relative=$(value "$1"); echo "$result/${relative//\\//}"; }
info=//dvqInformation

check "three products" test "$(value "count($info/installedProducts/product)")" = 3
check "edition A with its version and model" \
  test "$(value "$info/installedProducts/product[1]/text()[1]") $(value "$info/installedProducts/product[1]/version") $(value "$info/installedProducts/product[1]/subType")" = "Kestin DS Standard Edition 7.1 DS-40"
check "edition D, its sub-type from qvd.cnf" \
  test "$(value "$info/installedProducts/product[2]/subType")" = "Gimlet Professional"
check "Pelion from its properties file" \
  test "$(value "$info/installedProducts/product[3]/version") $(value "$info/installedProducts/product[3]/subType")" = "4.2 SP1 Cluster"

check "the product's registry branch travels" grep -q 'InstallDir' "$(side "$info/registries/main")"
check "the reglist.txt branch travels" grep -q 'ImagePath' "$(side "$info/registries/tool")"

config=$info/configrations
check "TwCtrl.dat travels unchanged" cmp -s "$(side "$config/tallowSerializeData")" "$drive/KestinData/Tallow/TwCtrl.dat"
check "qvd.cnf travels" cmp -s "$(side "$config/qvdcnf")" "$drive/Kestin/qvdetc/qvd.cnf"
check "qvd.ini travels" cmp -s "$(side "$config/qvdIni")" "$drive/KestinData/Gimlet/qvd.ini"
check "devroll.dir travels" cmp -s "$(side "$config/devrollDir")" "$drive/KestinData/Gimlet/devroll.dir"
check "devroll.tdb travels" cmp -s "$(side "$config/devrollData")" "$drive/KestinData/Gimlet/devroll.tdb"
check "the Master folder travels whole" cmp -s "$(side "$config/docserverConfig")/server.cfg" "$drive/Kestin/Master/server.cfg"
check "Pelion's etc folder travels whole" \
  cmp -s "$(side "$config/pelionConfig")/orvex.properties" "$drive/Pelion/etc/orvex.properties"
check "cnflist.txt: the log beside the value's folder" cmp -s "$(side "$config/logs/logs")" "$drive/Kestin/log/server.log"
check "cnflist.txt: a value that cannot be read" \
  test "$(value "$config/noValue") $(value "$config/noValue/@IsSuccess")" = "Can't get registory false"
check "the batch file travels" cmp -s "$(side "$info/batchFiles/file")" "$drive/Kestin/start.bat"

lists=$info/filelists
check "five listings" test "$(value "count($lists/filelist)")" = 5
check "verlist listed the installation folder" grep -q 'start.bat' "$(side "$lists/filelist[1]")"
check "verlist listed Sarnet2" grep -q 'readme.txt' "$(side "$lists/filelist[2]")"
check "verlist listed the edition A data" grep -q 'TwCtrl.dat' "$(side "$lists/filelist[3]")"
check "verlist listed the edition D data" grep -q 'devroll.tdb' "$(side "$lists/filelist[4]")"
check "verlist listed the quoted program's folder" grep -q 'server.exe' "$(side "$lists/filelist[5]")"

hosts=$info/registeredHosts
check "three registered hosts" test "$(value "count($hosts/host)")" = 3
local_=$hosts/host[@name=\'127.0.0.1\']
check "127.0.0.1 answers echo requests" test "$(value "$local_/ping/ipAddress")" = 127.0.0.1
check "... all of them" test "$(value "$local_/ping/packetReceived")" = "$(value "$local_/ping/packetTransmitted")"
check "... over one hop" test "$(value "$local_/traceroute/hops/text()[1]")" = 1
check "... whose address is its own" test "$(value "$local_/traceroute/hop[@index='1']/ipAddress")" = 127.0.0.1
check "localhost from devroll answers" test "$(value "$hosts/host[@name='localhost']/ping/ipAddress")" = 127.0.0.1
bad=$hosts/host[@name=\'no-such-host.invalid\']
check "a name that does not resolve: ping fails" grep -q '^NetDiagPing failed (' <<<"$(value "$bad/ping")"
check "... and so does the trace" grep -q '^NetDiagTraceroute failed (' <<<"$(value "$bad/traceroute")"

# DVQLogs: every log found travels.
logs=//dvqLogs/dvqLogsInformation
check "the product is installed" test "$(value "count($logs[@IsSuccess])")" = 0
check "the log root travels whole" cmp -s "$(side "$logs/syslog")/server.log" "$drive/Kestin/log/server.log"
check "Sarnet2's bin\\log travels" cmp -s "$(side "$logs/binlog")/sarnet.log" "$drive/Sarnet2/bin/log/sarnet.log"
check "the SOP folder travels" cmp -s "$(side "$logs/asyncJob")/sop.log" "$drive/Kestin/SOP/sop.log"
check "loglist.txt: the log beside the value's folder" \
  cmp -s "$(side "$logs/toolLogs/toolLogs")" "$drive/Kestin/log/server.log"
check "loglist_regseparator.txt: the quoted program's folder less two" \
  cmp -s "$(side "$logs/serviceLogs")/server.log" "$drive/Kestin/log/server.log"
check "loglist_env.txt: a variable of the process" \
  cmp -s "$(side "$logs/fromEnvironment/fromEnvironment")" "$drive/Kestin/log/server.log"
check "loglist_env.txt: a variable not set" \
  test "$(value "$logs/unset") $(value "$logs/unset/@IsSuccess")" = "Can't get environment variable false"

# DVQJobs, listing: times and sizes of every file, folders in their order.
jobs=//dvqJobDetails
names=
for i in $(seq "$(value "count($jobs/*)")"); do names+="$(value "name($jobs/*[$i])") "; done
check "the job folders in their order" test "$names" = "sOption sOJobMng spool ftpRoot queue gone "
check "SOption as text, its path" test "$(value "$jobs/sOption/text()[1]")" = 'C:\Kestin\SOption'
check "... its directory" test "$(value "$jobs/sOption/directory/text()[1]")" = SOption
check "... the file with its size" test "$(value "$jobs/sOption/directory/file[normalize-space(text()[1])='job1.xml']/fileSize")" = 6
check "... and its three times" \
  test "$(value "count($jobs/sOption/directory/file/*[@type='datetime'])")" = 3
check "... the empty folder" test "$(value "count($jobs/sOption/directory/directory[normalize-space(text()[1])='done']/*)")" = 0
check "the spool folder of the data folder" \
  test "$(value "$jobs/spool/directory/file/text()[1]")" = 0001.spl
check "joblist.txt: the queue" test "$(value "$jobs/queue/directory/file/text()[1]")" = q1.job
check "joblist.txt: a value that cannot be read" \
  test "$(value "$jobs/gone") $(value "$jobs/gone/@IsSuccess")" = "Can't get registory false"

# DVQJobs with "Retrieve all files": the folders travel whole.
doc0=$doc
wine "$work/app/NxInfo.exe" --only "DVQ Job Detail Plugin" --set "DVQ Job Detail Plugin:Retrieve all files=1" \
  run "$(winpath "$work/packed2")" >"$work/stdout2"
check "the second run exits 0" test $? -eq 0
wine "$bin/nxz.exe" extract "$(winpath "$work/packed2/NoxResult.exe")" "$(winpath "$work/result2")" >/dev/null
doc=$work/result2/NoxInfo.xml
result=$work/result2
check "SOption travels whole" cmp -s "$(side "$jobs/sOption")/job1.xml" "$drive/Kestin/SOption/job1.xml"
check "... with its empty folder" test -d "$(side "$jobs/sOption")/done"
check "the FTP folder travels whole" cmp -s "$(side "$jobs/ftpRoot")/in.ps" "$drive/KestinData/Gimlet/FtpRoot/in.ps"
check "the queue travels whole" cmp -s "$(side "$jobs/queue")/q1.job" "$drive/Kestin/queue/q1.job"

if [ $failures -ne 0 ]; then
  echo "--- documents"
  cat "$doc0" "$doc"
fi
WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null
# The prefix is large; it stays only when something failed.
[ $failures -eq 0 ] && rm -rf "$NOX_WINEPREFIX"
echo "Document server modules through the host: $failures failed"
exit $((failures > 0))
