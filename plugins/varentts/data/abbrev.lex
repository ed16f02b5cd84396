# Abbreviations and their spoken forms (written<TAB>spoken), matched as whole
# words; a key ending in "." includes the full stop.
Dr.	doctor
Mr.	mister
Mrs.	missus
St.	street
Ave.	avenue
Prof.	professor
Jr.	junior
etc.	et cetera
e.g.	for example
i.e.	that is
vs.	versus
approx.	approximately
dept.	department
No.	number
Jan.	January
Feb.	February
Aug.	August
Sept.	September
Oct.	October
Nov.	November
Dec.	December
ASAP	as soon as possible
FAQ	frequently asked questions
