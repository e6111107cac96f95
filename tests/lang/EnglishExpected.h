#pragma once
// "English.lng" as the program must write it, typed out from the product's
// text tables (placeholder already replaced), one line per line of the file.
// Lines end with LF here, and the literal opens with one for layout; the file
// has CR LF and no leading line break.

inline constexpr char kExpectedEnglishFile[] = R"lng(
[Language]
Language=English

[Messages]
Message1="Invalid command!"
Message2="Cannot find the handle of the selected process!"
Message3="Invalid directory!"
Message4="Select an e-mail client!"
Message5="No identity selected!"
Message6="Incorect password!"
Message7="Abort"
Message8="Close"
Message14="Insert next volume! Disk number"
Message15="Disk is full. Replace or select other!"
Message16="Access denied!"
Message17="Drive is write protected!"
Message18="Backup succesfully completed."
Message19="Postora has been succesfully backed up your e-mail data to:"
Message20="There was an error: "
Message21="Backup aborted"
Message22="Postora was backing up your e-mail data to:"
Message23="The password must be at least 5 characters long"
Message24="Backup in progress..."
Message25="Postora is backing up your e-mail data to:"
Message26="Restore in progress..."
Message27="Postora is restoring your e-mail data from:"
Message28="Restore succesfully completed."
Message29="Postora has succesfully restored your e-mail data"
Message30="There was an error: "
Message31="Backup aborted"
Message32="Postora was backing up your e-mail data to:"
Message33="Password ..."
Message34="You must select at least one identity!"
Message35="You must select at least one Item!"
Message36="Current task: "
Message37="Backup completed!"
Message38="Backup aborted by user!"
Message39="Backup completed with errors!"
Message40="The backup was successfully completed."
Message41="The backup was not successfully completed. Aborted by user."
Message42="The backup was not successfully completed. There was errors."
Message43="Restore completed!"
Message44="Restore aborted by user!"
Message45="Restore completed with errors:"
Message46="The restore was successfully completed."
Message47="The restore was not successfully completed. Aborted by user."
Message48="The restore was not successfully completed. There was errors."
Message49="Program execution error! ROZoveVivuda.exe."

[Form1]
TabSheet1=Backup
Label1=Data to backup
Label2=Identities
Label3=Items
Label4=Save backup file to:
Button2=Create Backup!
TabSheet2=Restore
Label5=Identities
Label6=Items
Label18=Please select the backup file
GroupBox1= Restore Location 
RadioButton1=Restore directly in the e-mail client 
RadioButton2=Restore to a custom path
Button4=Browse
Button5=Restore
TabSheet4=Schedule
Label8=Data to Backup
Label9=Items
Label10=Back Up data every
Label11=Backup start day:
Label12=Backup time:
Label13=Identities
Label14=Backups Folder
CheckBox3=Enable Scheduled Backups
Button6=Browse
TabSheet3=Options
Label7=Language
GroupBox2= Back Up Mode 
Label15=backups ( Delete older ).
RadioButton3=Overwrite the last backup file
RadioButton4=Back Up to a new file
CheckBox4=Keep only the last
Label16=Password
Label17=Retype Password
CheckBox5=Protect backup file with password
GroupBox3= Volumes 
RadioButton14=Backup to one single file
RadioButton15=Split backup to volumes
Button1=Save
Button7=Restore to default
Button8=Exit
Button9=Help
Button11=About
GroupBox4= Security 
SpeedButton7=Backup
SpeedButton8=Restore
SpeedButton9=Schedule
SpeedButton10=Options
Label19=Welcome to Postora!
Label21=This wizard can backup and restore your favorite e-mail client data: identities, e-mail and news messages, address book, accounts, message rules, signatures and the blocked senders list.
Label22=To begin, click a button below:
SpeedButton1=Standard Mode
Label24=Select your e-mail client:
Label25=Choose items to backup:
Label26=Identities:
Label27=Items in main identity
Label65=Version:
Label28=Please choose a backup filename
Button12=Browse...
GroupBox5= Security 
Label29=Password:
Label30=Retype password:
CheckBox1=Protect backup file with password
GroupBox6=Files
RadioButton17=One backup file
RadioButton18=Multiple files
Label31=Ready to backup
Label32=To continue, click Next.
Label33=To change backup settings, please click back.
Label34=Backing Up ...
Label35=The program is backing up your e-mail data to:
Label48=Backup completed!
Label49=The backup was succesful completed.
Label51=Note: Is recommended to copy the backup file to a floppy, CD-ROM, ZIP diskette or network drive.
Button13=Go to folder
Label52=Choose a backup file to restore from
Label53=Choose items to restore
Label54=Identities:
Label55=Items in main identity
Label56=Location for restore
RadioButton19=Restore directly in e-mail client
RadioButton20=Restore in other directory in order to import
Button14=Browse...
Label57=Ready to restore
Label58=Make sure that e-mail client program is close.
Label59=To continue, click Next.
Label60=Restoring ...
Label61=The program is restoring your e-mail client data from:
Label63=Restore completed!
Label64=The items selected were succesful restored.
SpeedButton5=Next >
SpeedButton11=Home
SpeedButton4=< Back
Button15=Wizard Mode

[Form2]
Button1=Abort
Button2=Go to Folder
Label1=Postora is backing up your e-mail data to:
Label3=Backup in progress...

[Form3]
Button1=Abort
Label1=Restore in progress...
Label2=Postora is restoring your e-mail data from:

[Form5]
Label1=To backup you must close these programs:
Button1=OK
Button2=Wait 5 minutes
Button3=Close all
Button4=Cancel

[passwordform1]
Label1=Backup password:
Button1=OK


[Form9]
Label7=Language
GroupBox2= Back Up Mode 
Label15=backups ( Delete older ).
RadioButton3=Overwrite the last backup file
RadioButton4=Back Up to a new file
CheckBox4=Keep only the last
GroupBox4= Security 
Label16=Password
Label17=Retype Password
CheckBox5=Protect backup file with password
GroupBox3= Volumes 
RadioButton14=Backup to one single file
RadioButton15=Split backup to volumes
Button7=Restore to default
Button1=Save

[Form10]
Label8=Data to Backup
Label14=Backups Folder
Label11=Backup start day:
Label12=Backup time:
Label10=Back Up data every
Label9=Items
Label13=Identities
CheckBox3=Enable Scheduled Backups
Button6=Browse
Button1=OK
)lng";
