#!/bin/bash
# A vendor's own product, packed with the stub by the build machine's packer
# and installed under Wine with /S: every file arrives byte for byte under its
# GBK name, nested folders included, the read-only file read-only, the empty
# file empty, the 20 MB file whole; an empty folder of the product neither
# breaks packing nor is installed (the archives carry no folder entries).
#   other_product_windows.sh PACKER STUB UNINSTALL_EXE MANIFEST_SOURCE
set -euo pipefail
packer=$1 stub=$2 uninstaller=$3 manifest=$4
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d /tmp/dz-other-product.XXXXXX)
# A Wine prefix and display of its own (as the installation scenarios run):
# the installation's shortcuts, uninstall entry and files touch no prefix
# that other tests compare.
unset DISPLAY
export DIZAVOZI_FORCE_XVFB=1
. "$root/tools/wine-env.sh"
wine_env_use_arch "$(wine_env_arch_of "$stub")"
prefix=$work/prefix
folder_name="其他产品测试"
target="$prefix/drive_c/$folder_name"
cleanup() {
  wine_env_stop >/dev/null 2>&1
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL $*" >&2; exit 1; }

# The product: one folder per [FileType] word of the manifest, files of
# other names and contents than the demo product's.
product=$work/product
python3 - "$product" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(23)
def put(path, data, read_only=False):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)
    if read_only:
        os.chmod(full, 0o444)
put("LumoSc/OvErp.exe", b"MZ" + rng.randbytes(3000))
put("LumoSc/报表/月结/年度汇总表.fr3", "年度汇总 营业额\r\n".encode("gbk") * 300)
put("LumoSc/配置/只读设置.ini", b"[Server]\r\nHost=10.0.0.1\r\n", read_only=True)
put("LumoSc/日志/空文件.log", b"")
# 20 MB: text that deflates, with stretches of bytes that do not.
block = "菜品 销售 明细\r\n".encode("gbk") * 3000
put("LumoSc/数据/大数据.db", b"".join(block if i % 3 else rng.randbytes(len(block)) for i in range(20 * 1024 * 1024 // len(block) + 1))[:20 * 1024 * 1024])
os.makedirs(os.path.join(root, "LumoSc/空目录/更深的空目录"))
put("LumoPos/LumoPos.exe", b"MZ" + rng.randbytes(2000))
put("LumoPos/收银/小票模板.txt", "欢迎光临\r\n".encode("gbk"))
put("WmSvr/PWMSvr.exe", b"MZ" + rng.randbytes(1000))
put("SaasKds/PSaasKds.exe", b"MZ" + rng.randbytes(1000))
put("LumoPosSy/LumoPos_Sy.exe", b"MZ" + rng.randbytes(1000))
PY
mkdir -p "$product/UnInstall"
cp "$uninstaller" "$product/UnInstall/UnInstall.exe"

"$packer" "$product" "$manifest" --stub "$stub" --out "$work/setup.exe" >/dev/null || fail "packing failed"

wine_env_start "$prefix" >/dev/null
log_windows="Z:$(sed 's|/|\\|g' <<<"$work/install.log")"
code=0
wine "$work/setup.exe" /S /EDITION=CySaaS "/DIR=C:\\$folder_name" /SYSTEMS=Sc,Pos,WmSvr,Kds \
  "/LOG=$log_windows" || code=$?
[ "$code" = 0 ] || { iconv -f GBK -t UTF-8 "$work/install.log" 2>/dev/null; fail "exit code $code"; }

# The catering edition with every system installs every payload but the
# other edition's LumoPosSy, each into the sub-folder of its type word but
# the uninstaller, which goes into the installation folder itself.
status=0
for type in LumoSc LumoPos WmSvr SaasKds UnInstall; do
  while IFS= read -r -d '' file; do
    name=${file#"$product/"}
    installed=$target/$name
    [ "$type" = UnInstall ] && installed=$target/${name#UnInstall/}
    if ! cmp -s "$file" "$installed"; then echo "not byte-identical: $name"; status=1; fi
  done < <(find "$product/$type" -type f -print0)
done
[ ! -e "$target/LumoPosSy" ] || { echo "the other edition's payload was installed"; status=1; }
read_only="$target/LumoSc/配置/只读设置.ini"
mode=$(stat -c %a "$read_only" 2>/dev/null || echo missing)
[ "$mode" != missing ] && [ $(( 8#$mode & 8#222 )) = 0 ] || { echo "the read-only file: mode $mode"; status=1; }
empty="$target/LumoSc/日志/空文件.log"
[ -f "$empty" ] && [ ! -s "$empty" ] || { echo "the empty file"; status=1; }
[ ! -e "$target/LumoSc/空目录" ] || { echo "the empty folder was installed"; status=1; }
if [ "$status" = 0 ]; then
  echo "other product: every file installed byte for byte"
else
  iconv -f GBK -t UTF-8 "$work/install.log" 2>/dev/null
fi
exit $status
