#!/bin/sh
# A device script: runs before every recording to the destination it is
# named after, when "Device script" is on in the settings screen. Its name
# is the device's name as the settings screen shows it, with every character
# other than letters, digits, "-" and "." replaced by "_", and ".sh" added:
# a stick shown as "My Disk 1" runs "My_Disk_1.sh". A destination of "Auto"
# runs no script.
#
# The recording starts once the script has ended, or after 10 seconds at
# the most. Example: wake a disk that spins down, by touching a file on it.
#   touch /dtv/usb/sda1/.wake
echo "device script $(date '+%Y-%m-%d %H:%M:%S')" >> /mtd_ram/scripts.log
