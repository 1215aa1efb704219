#!/bin/bash
# The privileged removal end to end, as root on a machine without a desktop:
#   sudo unshare -m --propagation private env QUILLMERE_BUILD=$PWD/build docs/privileged-removal/demo.sh
# Inside the private mount namespace this script gets its own /etc, /run/dbus
# and polkit actions folder, so the system bus, polkitd, our polkit action and
# the administrator account "ada" exist only here. First a prompt is cancelled
# (a locked row must stay whole), then one is answered (root's leftovers go). It leaves /home/ada-demo
# and /tmp/qm-demo behind.
set -u
W="${QUILLMERE_BUILD:?the absolute path of a build folder}"
D=/tmp/qm-demo
mount --make-rprivate /
rm -rf $D/etc $D/run-dbus $D/actions; mkdir -p $D/run-dbus $D/actions
cp -a /etc $D/etc && mount --bind $D/etc /etc
mount --bind $D/run-dbus /run/dbus
cp -a /usr/share/polkit-1/actions/. $D/actions/
sed "s|@QUILLMERE_REMOVER_PATH@|$W/libexec/quillmere/quillmere-remover|" \
  "$(dirname "$W")/desktop/example.quillmere.policy.in" > $D/actions/example.quillmere.policy
mount --bind $D/actions /usr/share/polkit-1/actions
useradd -m -d /home/ada-demo -G sudo -s /bin/bash ada
echo 'ada:correct horse' | chpasswd
dbus-daemon --system --fork --nopidfile
/usr/lib/polkit-1/polkitd --no-debug >$D/polkitd.log 2>&1 &
sleep 2

H=/home/ada-demo
mkdir -p "$H/Applications/Notes.app/Contents" "$H/Library/Caches/com.example.notes" "/Library/Caches/com.example.notes/db" \
  "$H/Library/Application Support/Notes"
printf '<?xml version="1.0"?><plist version="1.0"><dict><key>CFBundleIdentifier</key><string>com.example.notes</string></dict></plist>' \
  > "$H/Applications/Notes.app/Contents/Info.plist"
echo cache > "$H/Library/Caches/com.example.notes/c"
echo root > /Library/Caches/com.example.notes/db/index
mkdir -p /Library/LaunchDaemons && echo root > /Library/LaunchDaemons/com.example.notes.helper.plist
chown -R ada:ada "$H"
chown -R root:root "$H/Library/Application Support/Notes"; echo root > "$H/Library/Application Support/Notes/state"
# Quill.app: a locked row, ada's folder holding one of root's, and root's
# own cache. The prompt is cancelled: nothing of either may be gone.
mkdir -p "$H/Applications/Quill.app/Contents" "$H/Library/Application Support/Quill/attachments" /Library/Caches/com.example.quill
printf '<?xml version="1.0"?><plist version="1.0"><dict><key>CFBundleIdentifier</key><string>com.example.quill</string></dict></plist>' \
  > "$H/Applications/Quill.app/Contents/Info.plist"
echo notes > "$H/Library/Application Support/Quill/notes.sqlite"
echo picture > "$H/Library/Application Support/Quill/attachments/a.png"
echo root > /Library/Caches/com.example.quill/index
chown -R ada:ada "$H/Applications/Quill.app" "$H/Library/Application Support/Quill"
mkdir "$H/Library/Application Support/Quill/locked"; echo root > "$H/Library/Application Support/Quill/locked/state"
echo "== as root: Quill's leftovers, one folder of ada's holding one of root's"
find "$H/Library/Application Support/Quill" /Library/Caches/com.example.quill -printf '%u %p\n' | sort -k2
echo "== ada removes Quill.app through the CLI and cancels the prompt (Ctrl-C at the password)"
cd /
mkdir -p $D/share; chmod 1777 $D/share; rm -f $D/share/cli.pid $D/cli.out
runuser -u ada -- env HOME=$H setsid bash -c "echo \$\$ > $D/share/cli.pid; sleep 3; exec $W/cli/quillmere-cli remove --yes $H/Applications/Quill.app" \
  </dev/null >$D/cli.out 2>&1 &
CLI=$!
sleep 1
(sleep 6; printf '\003'; sleep 6) | runuser -u ada -- script -qec "pkttyagent --process $(cat $D/share/cli.pid)" /dev/null &
AGENT=$!
wait $CLI; echo "(quillmere-cli exit status $?)" >> $D/cli.out
kill $AGENT 2>/dev/null; wait $AGENT 2>/dev/null
echo "== quillmere-cli's output"
cat $D/cli.out
echo "== what is left: all of it"
find "$H/Library/Application Support/Quill" /Library/Caches/com.example.quill "$H/Applications/Quill.app" -printf '%u %p\n' 2>&1 | sort -k2
rm -rf "$H/Applications/Quill.app" "$H/Library/Application Support/Quill" /Library/Caches/com.example.quill
echo

echo "== as root: what the leftovers are"
ls -ld /Library/Caches/com.example.notes /Library/LaunchDaemons/com.example.notes.helper.plist "$H/Library/Application Support/Notes" "$H/Library/Caches/com.example.notes" "$H/Applications/Notes.app"
echo "== ada removes Notes.app through the CLI; the password is typed once, at the prompt"
cd /
# As on a desktop: the CLI has no terminal, so pkexec leaves the question to
# the authentication agent registered for it; here pkttyagent, which shows
# polkit's message and reads the password on its own terminal.
mkdir -p $D/share; chmod 1777 $D/share; rm -f $D/share/cli.pid $D/cli.out
runuser -u ada -- env HOME=$H setsid bash -c "echo \$\$ > $D/share/cli.pid; sleep 3; exec $W/cli/quillmere-cli remove --yes $H/Applications/Notes.app" \
  </dev/null >$D/cli.out 2>&1 &
CLI=$!
sleep 1
(sleep 6; printf 'correct horse\n'; sleep 6) | runuser -u ada -- script -qec "pkttyagent --process $(cat $D/share/cli.pid)" /dev/null &
AGENT=$!
wait $CLI; echo "(quillmere-cli exit status $?)" >> $D/cli.out
kill $AGENT 2>/dev/null; wait $AGENT 2>/dev/null
echo "== quillmere-cli's output"
cat $D/cli.out
echo "== what is left"
ls -ld /Library/Caches/com.example.notes /Library/LaunchDaemons/com.example.notes.helper.plist "$H/Library/Application Support/Notes" "$H/Library/Caches/com.example.notes" "$H/Applications/Notes.app" 2>&1 || true
echo
echo "== one process runs the remover twice through pkexec, outside every Library folder;"
echo "== the password is typed once"
echo secret > /root-owned-secret
rm -f $D/share/run.pid $D/run.out
runuser -u ada -- setsid bash -c "echo \$\$ > $D/share/run.pid; sleep 3
  pkexec $W/libexec/quillmere/quillmere-remover --entry \$(stat -c %d:%i /root-owned-secret) /root-owned-secret; echo \"first run: exit \$?\"
  pkexec $W/libexec/quillmere/quillmere-remover --entry \$(stat -c %d:%i /root-owned-secret) /root-owned-secret; echo \"second run: exit \$?\"" \
  </dev/null >$D/run.out 2>&1 &
RUN=$!
sleep 1
(sleep 6; printf 'correct horse\n'; sleep 8) | runuser -u ada -- script -qec "pkttyagent --process $(cat $D/share/run.pid)" /dev/null &
AGENT=$!
wait $RUN
kill $AGENT 2>/dev/null; wait $AGENT 2>/dev/null
echo "== the process's output"
cat $D/run.out
ls -l /root-owned-secret
rm -f /root-owned-secret
rmdir /Library/Caches /Library/LaunchDaemons /Library 2>/dev/null || true
