#!/bin/sh
# Runs when "FAV key" is set to "Run script" in the settings screen.
#
# The plug-in starts this script in the background and gives the remote back
# as soon as it ends, or after 10 seconds at the most; the script itself may
# run on. It runs as root in the scripts folder. Make it executable
# (chmod a+x) after copying it to the set.
#
# Example: note each press in the set's RAM folder.
echo "favch.sh $(date '+%Y-%m-%d %H:%M:%S')" >> /mtd_ram/scripts.log
