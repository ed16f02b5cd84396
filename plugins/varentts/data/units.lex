# Units of measure and their spoken forms (written<TAB>spoken).
km	kilometres
kg	kilograms
cm	centimetres
mm	millimetres
km/h	kilometres per hour
mph	miles per hour
kHz	kilohertz
MHz	megahertz
GHz	gigahertz
KB	kilobytes
MB	megabytes
GB	gigabytes
ms	milliseconds
°C	degrees Celsius
°F	degrees Fahrenheit
